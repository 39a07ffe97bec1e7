// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The desktop shell's icons for files: the index of a path's icon in the shell's system
// image list, the list itself, and the picture behind an index. Windows asks SHGetFileInfo
// and reads the shell's own image lists. Linux keeps an equivalent process-wide list filled
// from the desktop entries of the XDG data folders (the icon of the entry whose Exec or
// TryExec names the program) and the icon theme's generic names. Pictures travel as plain
// pixels or icon names, so the front draws them without any OS call of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vanto::platform {

// A system image list (HIMAGELIST on Windows); 0 when the shell gives none.
using ImageListHandle = std::uintptr_t;

// Index of the shell's icon for `path` in the system image list; 0 when none fits. The file
// is not opened: a folder of that name gets the folder icon, anything else the icon of its
// name (Windows) or of the desktop entry that runs it (Linux; an executable file without one
// gets the generic program icon).
int GetShellIconIndex(const std::string& path);

// The shell's small-icon (16 x 16) or large-icon (32 x 32) system image list; 0 when the
// shell gives none. On Linux asking again also has the desktop entries read again, in the
// background (WaitForProgramIdentityIndex(Names) in program_identity.h waits for it).
ImageListHandle GetSystemImageList(bool small_icons);

// The picture behind one index of a system image list.
struct ShellIconPicture {
    // What the picture stands for, so that the front can draw a stand-in of the same kind
    // when it cannot draw the picture itself (no icon theme, missing file).
    enum class Kind { Generic, Folder, Program };
    Kind kind = Kind::Generic;
    // Pixels, row by row from the top, each 0xAARRGGBB (Windows).
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    // An icon-theme name such as "folder" (Linux), or an image file's full path.
    std::string theme_name;
    std::string file;
};

// False when `list` is not a system image list or `index` is not in it.
bool GetShellIconPicture(ImageListHandle list, int index, ShellIconPicture& picture);

}  // namespace vanto::platform
