#include "gfx/image_loaders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gfx/draw_manager.h"
#include "res/resource.h"
#include "win/handles.h"

namespace fh {
namespace {

std::string TestModulePath() {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "flickhold_test_module.dll";
}

TEST(ImageLoaders, MissingSourcesGiveNothing) {
    EXPECT_EQ(nullptr, LoadIconFromResource(0, 16, 16, ""));
    EXPECT_EQ(nullptr, LoadBitmapFromResource(0, ""));
    EXPECT_EQ(nullptr, LoadIconFromResource(IDR_MAINFRAME, 16, 16, "no_such_module.dll"));
    EXPECT_EQ(nullptr, LoadBitmapFromFile("C:\\no\\such.bmp"));
    UniqueIcon own(LoadIconFromResource(IDR_MAINFRAME, 32, 32, ""));
    EXPECT_TRUE(own);
}

// A module named in markup is a source of pictures only: its bitmap loads,
// its entry point never runs.
TEST(ImageLoaders, AnotherModulesPicturesWithoutRunningItsCode) {
    ::SetEnvironmentVariableA("FLICKHOLD_MODULE_CODE_RAN", nullptr);
    UniqueBitmap bitmap(LoadBitmapFromResource(101, TestModulePath()));
    ASSERT_TRUE(bitmap);
    const PictureSize size = CDrawManager::GetBitmapSize(bitmap.Get());
    EXPECT_EQ(4, size.width);
    EXPECT_EQ(2, size.height);
    EXPECT_EQ(0u, ::GetEnvironmentVariableA("FLICKHOLD_MODULE_CODE_RAN", nullptr, 0));
    EXPECT_EQ(nullptr, LoadBitmapFromResource(102, TestModulePath()));
}

}  // namespace
}  // namespace fh
