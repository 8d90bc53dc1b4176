// SPDX-License-Identifier: MIT
// The reader on Windows: names outside the ANSI code page, bytes that text
// mode would take for an end of file, both kinds of separator.
#include <gtest/gtest.h>

#include "core/group_file.h"
#include "os/os.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace cep;
using namespace cep::testing_support;

const std::string kThree = "CEP group file\r\ntest rifle\r\n3\r\n0,0\r\n4,0\r\n1,3\r\n";

TEST(ReadGroupFileWindows, NamesOutsideTheAnsiCodePageAndEitherSeparator) {
    TempDir dir;
    for (const std::string name : {"\xe7\x9b\xae\xe6\xa8\x99.grp", "\xce\xb2\xce\xbf\xce\xbb\xce\xae.grp",
                                   "gr\xc3\xb6\xc3\x9f"
                                   "e.grp"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, kThree);
        for (const std::string& spelled : {path, dir.path().string() + "\\" + name, dir.path().string() + "/" + name}) {
            ShotTable shots;
            const auto read = ReadGroupFile(spelled, shots);
            ASSERT_TRUE(read.ok()) << read.failure().message;
            EXPECT_EQ(read.value(), 3);
            EXPECT_EQ(shots[2], (ShotPoint{1, 3}));
        }
        EXPECT_EQ(os::BareName(dir.path().string() + "\\sub/" + name), name);
    }
}

TEST(ReadGroupFileWindows, ACtrlZIsAByteLikeAnyOther) {
    TempDir dir;
    // Text mode would end the file at the 0x1A in the rifle's name.
    const std::string path = dir.Write("z.grp", "CEP group file\r\nrifle \x1a 308\r\n3\r\n0,0\r\n4,0\r\n1,3\r\n");
    ShotTable shots;
    const auto read = ReadGroupFile(path, shots);
    ASSERT_TRUE(read.ok()) << read.failure().message;
    EXPECT_EQ(read.value(), 3);
    EXPECT_EQ(shots[1], (ShotPoint{4, 0}));
}

}  // namespace
