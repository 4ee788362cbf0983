// Names of file-system types, from the magic number statfs reports. The
// names are the ones stat(1) prints for its %T format.
#include "builtins/fsargs.h"

namespace {

struct FsName {
  int64_t magic;
  char name[12];   // held here: the table needs no relocation
};

constexpr FsName kNames[] = {
    {0xEF53, "ext2/ext3"},       {0x01021994, "tmpfs"},   {0x58465342, "xfs"},
    {0x9123683E, "btrfs"},        {0x794C7630, "overlayfs"}, {0x9FA0, "proc"},
    {0x62656572, "sysfs"},        {0x1CD1, "devpts"},      {0x6969, "nfs"},
    {0x4D44, "msdos"},            {0x2FC12FC1, "zfs"},     {0x858458F6, "ramfs"},
    {0x65735546, "fuseblk"},      {0x63677270, "cgroup2fs"}, {0x73717368, "squashfs"},
    {0x9660, "isofs"},            {0x5346544E, "ntfs"},    {0xF2F52010, "f2fs"},
    {0x27E0EB, "cgroupfs"},       {0x65735543, "fusectl"}, {0x01161970, "gfs/gfs2"},
    {0x5A3C69F0, "aafs"},         {0x73636673, "securityfs"}, {0xCAFE4A11, "bpf_fs"},
};

}  // namespace

const char* awk_fstypename(int64_t magic) {
  for (const FsName& n : kNames)
    if (n.magic == magic) return n.name;
  return "";
}
