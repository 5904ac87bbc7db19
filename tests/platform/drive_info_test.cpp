// The mount table, the drive that holds a path, drive types, labels and the drive list.
#include "platform/drive_info.h"

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace kiv::platform {
namespace {

using test::Canonical;
using test::TempFolder;
using test::WriteFile;

constexpr const char* kSampleTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "23 27 0:22 / /sys rw,relatime shared:7 - sysfs sysfs rw\n"
    "27 1 254:0 / / rw,relatime shared:1 master:2 - ext4 /dev/vda rw\n"
    "31 23 0:28 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "40 27 8:2 / /home rw - ext4 /dev/sda2 rw\n"
    "41 27 8:3 / /homer rw - xfs /dev/sda3 rw\n"
    "42 40 8:17 / /home/user/media\\040x rw - vfat /dev/sdb1 rw\n"
    "43 27 0:40 / /run rw - tmpfs tmpfs rw\n"
    "44 43 8:33 / /run/media/user/STICK rw - vfat /dev/sdc1 rw\n"
    "45 27 0:41 / /mnt rw - nfs4 server:/export rw\n"
    "46 27 0:42 /sub /mnt rw - ext4 /dev/sdd1 rw\n"
    "47 24 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
    "not a mount line\n"
    "48 27 x:1 / /bad rw - ext4 /dev/x rw\n"
    "49 27 0:1 / /nodash rw ext4 /dev/x rw\n"
    "50 27 0:1 / relative rw - ext4 /dev/x rw";

TEST(MountTable, ParsesFieldsAndSkipsMalformedLines) {
    const MountTable table = MountTable::FromText(kSampleTable);
    ASSERT_EQ(table.Entries().size(), 12u);
    const MountEntry& root = table.Entries()[2];
    EXPECT_EQ(root.mountPoint, "/");
    EXPECT_EQ(root.fileSystem, "ext4");
    EXPECT_EQ(root.source, "/dev/vda");
    EXPECT_EQ(root.major, 254u);
    EXPECT_EQ(root.minor, 0u);
    EXPECT_EQ(root.options, "rw,relatime");
    EXPECT_EQ(table.Entries()[6].mountPoint, "/home/user/media x");
    EXPECT_EQ(table.Entries()[10].root, "/sub");
}

struct FindCase {
    const char* name;
    const char* path;
    const char* mountPoint;  // nullptr: none
    const char* source;
};

class MountLookup : public ::testing::TestWithParam<FindCase> {};

TEST_P(MountLookup, FindsLongestHoldingMount) {
    const MountTable table = MountTable::FromText(kSampleTable);
    const MountEntry* mount = table.FindMountFor(GetParam().path);
    if (GetParam().mountPoint == nullptr) {
        EXPECT_EQ(mount, nullptr);
        return;
    }
    ASSERT_NE(mount, nullptr);
    EXPECT_EQ(mount->mountPoint, GetParam().mountPoint);
    EXPECT_EQ(mount->source, GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(
    MountTable, MountLookup,
    ::testing::Values(FindCase{"Root", "/", "/", "/dev/vda"},
                      FindCase{"FileOnRoot", "/etc/passwd", "/", "/dev/vda"},
                      FindCase{"MountPointItself", "/home", "/home", "/dev/sda2"},
                      FindCase{"BelowMount", "/home/user/x", "/home", "/dev/sda2"},
                      FindCase{"SiblingWithCommonPrefix", "/homer/a", "/homer", "/dev/sda3"},
                      FindCase{"PrefixIsNotAFolder", "/home2/a", "/", "/dev/vda"},
                      FindCase{"DecodedBlankInMountPoint", "/home/user/media x/f",
                               "/home/user/media x", "/dev/sdb1"},
                      FindCase{"LaterMountOnSamePointWins", "/mnt/file", "/mnt", "/dev/sdd1"},
                      FindCase{"RelativePathHasNone", "home/x", nullptr, nullptr},
                      FindCase{"EmptyPathHasNone", "", nullptr, nullptr}),
    [](const ::testing::TestParamInfo<FindCase>& info) { return info.param.name; });

TEST(MountTable, EmptyTableHoldsNothing) {
    EXPECT_EQ(MountTable().FindMountFor("/"), nullptr);
}

TEST(MountTable, DecodesOctalEscapesOnly) {
    EXPECT_EQ(DecodeMountEscapes("a\\040b\\011c\\012d\\134e"), "a b\tc\nd\\e");
    EXPECT_EQ(DecodeMountEscapes("end\\04"), "end\\04");
    EXPECT_EQ(DecodeMountEscapes("\\089\\x41"), "\\089\\x41");
    EXPECT_EQ(DecodeMountEscapes("\\777"), "\\777");
}

TEST(MountTable, LoadsThisProcessMounts) {
    const Result<MountTable> table = MountTable::Load();
    ASSERT_TRUE(table.ok()) << table.error();
    const MountEntry* root = table->FindMountFor("/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->mountPoint, "/");
}

class DriveInfoTest : public ::testing::Test {
protected:
    TempFolder m_temp;
};

TEST_F(DriveInfoTest, DriveOfTemporaryFolder) {
    const Result<DriveInfo> drive = GetDriveInfo(m_temp.Path());
    ASSERT_TRUE(drive.ok()) << drive.error();
    const std::string canonical = Canonical(m_temp.Path());
    const std::string& point = drive->mountPoint;
    EXPECT_TRUE(point == "/" || canonical.rfind(point + "/", 0) == 0) << point;
    EXPECT_FALSE(drive->fileSystem.empty());
    EXPECT_NE(drive->type, DriveType::Unknown);
    EXPECT_NE(drive->type, DriveType::NoRootDir);
    EXPECT_GT(drive->totalBytes, 0u);
    EXPECT_GE(drive->totalBytes, drive->freeBytes);
    EXPECT_GT(drive->maxNameLength, 0u);
}

TEST_F(DriveInfoTest, MissingFileIsOnTheDriveOfItsFolder) {
    const Result<DriveInfo> folder = GetDriveInfo(m_temp.Path());
    const Result<DriveInfo> missing = GetDriveInfo(m_temp / "no/such/file.rar");
    ASSERT_TRUE(folder.ok()) << folder.error();
    ASSERT_TRUE(missing.ok()) << missing.error();
    EXPECT_EQ(missing->mountPoint, folder->mountPoint);
    EXPECT_EQ(missing->serial, folder->serial);
}

TEST_F(DriveInfoTest, RelativePathIsTakenFromCurrentFolder) {
    const Result<DriveInfo> drive = GetDriveInfo("relative/name.rar");
    ASSERT_TRUE(drive.ok()) << drive.error();
    EXPECT_FALSE(drive->mountPoint.empty());
}

TEST_F(DriveInfoTest, ProcIsItsOwnDrive) {
    const Result<DriveInfo> drive = GetDriveInfo("/proc/self/status");
    ASSERT_TRUE(drive.ok()) << drive.error();
    EXPECT_EQ(drive->mountPoint, "/proc");
    EXPECT_EQ(drive->fileSystem, "proc");
}

TEST_F(DriveInfoTest, LinkIsResolvedBeforeTheLookUp) {
    ASSERT_EQ(::symlink("/proc/self", (m_temp / "link").c_str()), 0);
    const Result<DriveInfo> drive = GetDriveInfo(m_temp / "link");
    ASSERT_TRUE(drive.ok()) << drive.error();
    EXPECT_EQ(drive->mountPoint, "/proc");
}

struct TypeCase {
    const char* name;
    const char* fileSystem;
    DriveType type;
};

class DriveTypeByFileSystem : public ::testing::TestWithParam<TypeCase> {};

TEST_P(DriveTypeByFileSystem, Classifies) {
    MountEntry mount;
    mount.fileSystem = GetParam().fileSystem;
    mount.mountPoint = "/x";
    EXPECT_EQ(DriveTypeOf(mount, "/nonexistent"), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(DriveInfo, DriveTypeByFileSystem,
                         ::testing::Values(TypeCase{"Nfs", "nfs", DriveType::Remote},
                                           TypeCase{"Nfs4", "nfs4", DriveType::Remote},
                                           TypeCase{"Cifs", "cifs", DriveType::Remote},
                                           TypeCase{"Smb3", "smb3", DriveType::Remote},
                                           TypeCase{"Sshfs", "fuse.sshfs", DriveType::Remote},
                                           TypeCase{"Iso9660", "iso9660", DriveType::CDRom},
                                           TypeCase{"Udf", "udf", DriveType::CDRom},
                                           TypeCase{"Tmpfs", "tmpfs", DriveType::RamDisk},
                                           TypeCase{"Ramfs", "ramfs", DriveType::RamDisk},
                                           TypeCase{"Ext4", "ext4", DriveType::Fixed},
                                           TypeCase{"Overlay", "overlay", DriveType::Fixed},
                                           TypeCase{"NoType", "", DriveType::Unknown}),
                         [](const ::testing::TestParamInfo<TypeCase>& info) {
                             return info.param.name;
                         });

// A sysfs-like tree: block/8:16 is a removable disk, block/8:17 its partition, block/8:1 a
// partition of a fixed disk.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"devices", "devices/sdb", "devices/sdb/sdb1", "devices/sda",
                                   "devices/sda/sda1", "block"}) {
            ASSERT_TRUE(CreateDirectory(m_temp / folder).ok());
        }
        WriteFile(m_temp / "devices/sdb/removable", "1\n");
        WriteFile(m_temp / "devices/sdb/sdb1/partition", "1\n");
        WriteFile(m_temp / "devices/sda/removable", "0\n");
        WriteFile(m_temp / "devices/sda/sda1/partition", "1\n");
        ASSERT_EQ(::symlink("../devices/sdb", (m_temp / "block/8:16").c_str()), 0);
        ASSERT_EQ(::symlink("../devices/sdb/sdb1", (m_temp / "block/8:17").c_str()), 0);
        ASSERT_EQ(::symlink("../devices/sda/sda1", (m_temp / "block/8:1").c_str()), 0);
    }
    DriveType TypeOf(unsigned major, unsigned minor) {
        MountEntry mount;
        mount.fileSystem = "vfat";
        mount.major = major;
        mount.minor = minor;
        return DriveTypeOf(mount, m_temp / "block");
    }

    TempFolder m_temp;
};

TEST_F(FakeSysfs, PartitionOfRemovableDiskIsRemovable) {
    EXPECT_EQ(TypeOf(8, 17), DriveType::Removable);
}

TEST_F(FakeSysfs, WholeRemovableDiskIsRemovable) {
    EXPECT_EQ(TypeOf(8, 16), DriveType::Removable);
}

TEST_F(FakeSysfs, PartitionOfFixedDiskIsFixed) {
    EXPECT_EQ(TypeOf(8, 1), DriveType::Fixed);
}

TEST_F(FakeSysfs, UnknownDeviceIsFixed) {
    EXPECT_EQ(TypeOf(8, 99), DriveType::Fixed);
}

class VolumeLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectory(m_temp / "dev").ok());
        ASSERT_TRUE(CreateDirectory(m_temp / "by-label").ok());
        WriteFile(m_temp / "dev/sdb1", "");
        WriteFile(m_temp / "dev/sdc1", "");
        ASSERT_EQ(::symlink("../dev/sdb1", (m_temp / "by-label/MY\\x20DISK").c_str()), 0);
        ASSERT_EQ(::symlink("../dev/other", (m_temp / "by-label/OTHER").c_str()), 0);
    }

    TempFolder m_temp;
};

TEST_F(VolumeLabelTest, LabelOfTheDeviceWithEscapesDecoded) {
    MountEntry mount;
    mount.source = m_temp / "dev/sdb1";
    mount.mountPoint = "/media/user/whatever";
    EXPECT_EQ(VolumeLabel(mount, m_temp / "by-label"), "MY DISK");
}

TEST_F(VolumeLabelTest, WithoutLabelTheMountPointNameStandsIn) {
    MountEntry mount;
    mount.source = m_temp / "dev/sdc1";
    mount.mountPoint = "/media/user/STICK";
    EXPECT_EQ(VolumeLabel(mount, m_temp / "by-label"), "STICK");
    mount.mountPoint = "/";
    EXPECT_EQ(VolumeLabel(mount, m_temp / "by-label"), "");
    mount.source = "server:/export";
    mount.mountPoint = "/net/share";
    EXPECT_EQ(VolumeLabel(mount, m_temp / "by-label"), "share");
}

TEST(DriveList, OffersRealFileSystemsOnly) {
    const std::vector<MountEntry> drives = ListDrives(MountTable::FromText(kSampleTable));
    std::vector<std::string> points;
    for (const MountEntry& drive : drives) points.push_back(drive.mountPoint);
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/home", "/homer", "/home/user/media x",
                                                "/run/media/user/STICK", "/mnt"}));
    const auto mnt = std::find_if(drives.begin(), drives.end(),
                                  [](const MountEntry& d) { return d.mountPoint == "/mnt"; });
    ASSERT_NE(mnt, drives.end());
    EXPECT_EQ(mnt->source, "/dev/sdd1");
}

TEST(DriveList, ThisProcessListHoldsTheRootAndNoKernelFileSystems) {
    const Result<std::vector<MountEntry>> drives = ListDrives();
    ASSERT_TRUE(drives.ok()) << drives.error();
    bool sawRoot = false;
    for (const MountEntry& drive : *drives) {
        sawRoot |= drive.mountPoint == "/";
        EXPECT_NE(drive.fileSystem, "proc");
        EXPECT_NE(drive.fileSystem, "sysfs");
        EXPECT_NE(drive.fileSystem, "cgroup2");
        EXPECT_TRUE(DirectoryExists(drive.mountPoint)) << drive.mountPoint;
    }
    EXPECT_TRUE(sawRoot);
}

}  // namespace
}  // namespace kiv::platform
