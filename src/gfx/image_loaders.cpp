#include "gfx/image_loaders.h"

#include "win/handles.h"

namespace fh {

namespace {

HANDLE LoadFromModule(UINT id, UINT type, int width, int height, UINT flags, const std::string& module) {
    if (id == 0) return nullptr;
    if (module.empty())
        return ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), type, width, height, flags);
    // A module named in markup is only a source of pictures: mapped as data,
    // so that neither its entry point nor any of its code runs.
    UniqueModule lib(
        ::LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!lib) return nullptr;
    return ::LoadImageA(lib.Get(), MAKEINTRESOURCEA(id), type, width, height, flags);
}

}  // namespace

HICON LoadIconFromFile(const std::string& path, int width, int height) {
    return static_cast<HICON>(::LoadImageA(nullptr, path.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE));
}

HICON LoadIconFromResource(UINT id, int width, int height, const std::string& module) {
    return static_cast<HICON>(LoadFromModule(id, IMAGE_ICON, width, height, LR_DEFAULTCOLOR, module));
}

HBITMAP LoadBitmapFromFile(const std::string& path) {
    return static_cast<HBITMAP>(::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                             LR_CREATEDIBSECTION | LR_DEFAULTSIZE | LR_LOADFROMFILE));
}

HBITMAP LoadBitmapFromResource(UINT id, const std::string& module) {
    return static_cast<HBITMAP>(LoadFromModule(id, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE, module));
}

}  // namespace fh
