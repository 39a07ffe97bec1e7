// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The shell's own system image lists. SHGetFileInfo hands out the lists' handles; they
// belong to the shell and are never destroyed here.

#include "platform/shell_icons.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

namespace vanto::platform {

namespace {

// Copies an icon's colour bitmap into 0xAARRGGBB pixels; the mask supplies the alpha of
// icons drawn without an alpha channel.
bool IconPixels(HICON icon, ShellIconPicture& picture) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    bool ok = false;
    BITMAP bm{};
    if (info.hbmColor != nullptr && GetObjectA(info.hbmColor, sizeof bm, &bm) == sizeof bm && bm.bmWidth > 0 &&
        bm.bmHeight > 0 && bm.bmWidth <= 256 && bm.bmHeight <= 256) {
        const int w = bm.bmWidth;
        const int h = bm.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;  // top-down rows
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        HDC dc = GetDC(nullptr);
        if (dc != nullptr && GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS) == h) {
            bool has_alpha = false;
            for (const auto px : pixels) has_alpha = has_alpha || (px & 0xFF000000u) != 0;
            if (!has_alpha) {
                std::vector<std::uint32_t> mask(pixels.size());
                const bool have_mask = info.hbmMask != nullptr &&
                                       GetDIBits(dc, info.hbmMask, 0, static_cast<UINT>(h), mask.data(), &bi,
                                                 DIB_RGB_COLORS) == h;
                for (std::size_t i = 0; i < pixels.size(); ++i) {
                    const bool transparent = have_mask && (mask[i] & 0x00FFFFFFu) != 0;
                    pixels[i] = transparent ? 0u : (pixels[i] | 0xFF000000u);
                }
            }
            picture.width = w;
            picture.height = h;
            picture.argb = std::move(pixels);
            ok = true;
        }
        if (dc != nullptr) ReleaseDC(nullptr, dc);
    }
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    return ok;
}

bool IconIndexOf(const std::string& path, DWORD attributes, int& index) {
    SHFILEINFOA sfi{};
    if (SHGetFileInfoA(path.c_str(), attributes, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES) == 0)
        return false;
    index = sfi.iIcon;
    return true;
}

}  // namespace

int GetShellIconIndex(const std::string& path) {
    const DWORD found = GetFileAttributesA(path.c_str());
    const DWORD attributes = (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0)
                                 ? FILE_ATTRIBUTE_DIRECTORY
                                 : FILE_ATTRIBUTE_NORMAL;
    int index = 0;
    if (IconIndexOf(path, attributes, index)) return index;
    // The shell refuses some names with or without a trailing backslash: try the other form.
    std::string other = path;
    if (!other.empty() && other.back() == '\\') other.pop_back();
    else other += '\\';
    return IconIndexOf(other, attributes, index) ? index : 0;
}

ImageListHandle GetSystemImageList(bool small_icons) {
    SHFILEINFOA sfi{};
    const UINT flags = SHGFI_SYSICONINDEX | (small_icons ? SHGFI_SMALLICON : 0u);
    return static_cast<ImageListHandle>(SHGetFileInfoA("", 0, &sfi, sizeof sfi, flags));
}

bool GetShellIconPicture(ImageListHandle list, int index, ShellIconPicture& picture) {
    picture = {};
    if (list == 0 || index < 0) return false;
    auto* himl = reinterpret_cast<HIMAGELIST>(list);
    if (index >= ImageList_GetImageCount(himl)) return false;
    HICON icon = ImageList_GetIcon(himl, index, ILD_NORMAL);
    if (icon == nullptr) return false;
    const bool ok = IconPixels(icon, picture);
    DestroyIcon(icon);
    return ok;
}

}  // namespace vanto::platform
