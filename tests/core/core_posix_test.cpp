// SPDX-License-Identifier: MIT
// The reader where only a POSIX system can set the scene.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/group_file.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace cep;
using namespace cep::testing_support;

TEST(ReadGroupFilePosix, APipeIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string pipe = dir / "pipe.grp";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // opening it must not block
    ShotTable shots = {{7, 7}};
    const auto read = ReadGroupFile(pipe, shots);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.failure().message,
              "File access failure: " + pipe + " is not a regular file (a device, pipe or socket).");
    EXPECT_EQ(shots, (ShotTable{{7, 7}}));
}

}  // namespace
