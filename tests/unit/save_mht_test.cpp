#include "fetch/save_mht.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include "tests/unit/temp_folder.h"

namespace {

TEST(SaveMhtArchive, PageThatCannotBeFetchedRemovesTheOldArchive) {
    TempFolder folder;
    WriteBytes(folder.Path("page.mht"), "archive of an earlier run");
    WriteBytes(folder.Path("page.txt"), "text of an earlier run");

    EXPECT_FALSE(SaveMhtArchive("http://127.0.0.1:1/page.html", folder.Path("page.mht").c_str()));
    // The text file is not the writer's business.
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"page.txt"});

    // COM was initialised exactly as often as it was uninitialised on this thread.
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

}  // namespace
