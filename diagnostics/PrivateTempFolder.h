// A temporary folder of a program's own (the tests, the benchmark, the soak
// program), made the process's TMP and TEMP for its lifetime, so that the
// filter reads and writes its settings file there: every run starts from the
// default settings and the user's own settings file is neither read nor
// changed; whatever else the program writes there goes with the folder.
#pragma once

#include <string>

class PrivateTempFolder {
public:
    // Creates "<temp>\<name>-<process id>\" and points TMP and TEMP at it.
    explicit PrivateTempFolder(const std::string& name);
    // Restores TMP and TEMP and deletes the folder with everything in it.
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
