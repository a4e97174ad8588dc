// A temporary folder of the benchmark's own, made the process's TMP and TEMP
// for its lifetime, so that the filter reads and writes its settings file
// there: every run starts from the default settings (resolution index 0) and
// the user's own settings file is neither read nor changed.
#pragma once

#include <string>

class PrivateTempFolder {
public:
    // Creates "<temp>\lumorabench-<process id>\" and points TMP and TEMP at it.
    PrivateTempFolder();
    // Deletes the settings file and the folder, and restores TMP and TEMP.
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Path() const { return m_path; }

private:
    // The variable's value, and whether it was set at all.
    struct SavedVariable {
        std::string value;
        bool set = false;
    };
    static SavedVariable Save(const char* name);
    static void Restore(const char* name, const SavedVariable& saved);

    std::string m_path;
    bool m_ready = false;
    SavedVariable m_tmp;
    SavedVariable m_temp;
};
