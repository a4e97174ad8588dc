// Where a camera controller keeps its settings file, chosen by the
// controller's owner: the filter keeps the per-user temporary folder's
// "Lumora Camera.config"; a machine-wide owner (the media source, which runs
// for every user and in services) keeps
// %ProgramData%\Lumora Camera\Lumora Camera.config.
//
// The file is the same 67-byte record, read and replaced atomically by
// CameraConfig either way. For a file at a chosen path, the folder it names
// is created on the first save (with the ACLs it inherits from its parent),
// and a folder that is a link or junction (a reparse point), or anything
// but a folder, is neither followed nor replaced: the load finds no file and
// the save fails with ERROR_CANT_ACCESS_FILE. The file itself is guarded as
// CameraConfig guards the per-user one.
//
// A value type; const after construction, so any thread may use it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "camera/CameraConfig.h"

class SettingsLocation {
public:
    // The per-user temporary folder's settings file (CameraConfig's own).
    static SettingsLocation UserTemporary();
    // A settings file at path (wide, absolute); an empty path is a place
    // that cannot be had (a known folder that could not be found): nothing
    // loads from it and every save fails.
    static SettingsLocation At(std::wstring path);
    // %ProgramData%\Lumora Camera\Lumora Camera.config.
    static SettingsLocation MachineWide();

    // Fills record from the file: 1 when it was read, 0 when there was none
    // (record untouched).
    int Load(CameraConfig& record) const;
    // Replaces the file with record, creating its folder first when this is
    // a chosen path: S_OK, or why not.
    HRESULT Store(const CameraConfig& record) const;

    // The chosen path, or none for the per-user temporary file.
    const std::optional<std::wstring>& Path() const { return m_Path; }

private:
    explicit SettingsLocation(std::optional<std::wstring> path) : m_Path(std::move(path)) {}

    std::optional<std::wstring> m_Path;
};

// %ProgramData%\Lumora Camera\Lumora Camera.config (SHGetKnownFolderPath,
// FOLDERID_ProgramData); empty when the folder is unknown.
std::wstring MachineSettingsPath();
