// Sandbox: capabilities, Landlock through its system calls, seccomp through libseccomp.
#include "import/library/Sandbox.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kalderino {

namespace {

std::string systemReason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Landlock's rights by the version of its interface that brought them; the kernel refuses a
// ruleset naming rights it does not know. Truncation (version 3) is newer than Debian 12's
// headers, and its bit is fixed by the kernel's interface.
constexpr std::uint64_t kTruncate = 1ULL << 14;
constexpr std::uint64_t kFirstRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
    LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
    LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
    LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK |
    LANDLOCK_ACCESS_FS_MAKE_SYM;

// Killed when called at all.
constexpr const char* kForbidden[] = {
    "socket",
    "socketpair",
    "connect",
    "bind",
    "listen",
    "accept",
    "accept4",
    "execve",
    "execveat",
    "fork",
    "vfork",
    "ptrace",
    "process_vm_readv",
    "process_vm_writev",
    "kill",
    "tkill",
    "pidfd_open",
    "pidfd_send_signal",
    "pidfd_getfd",
    "io_uring_setup",
    "io_uring_enter",
    "io_uring_register",
    "bpf",
    "perf_event_open",
    "userfaultfd",
    "mount",
    "umount2",
    "pivot_root",
    "chroot",
    "unshare",
    "setns",
    "keyctl",
    "add_key",
    "request_key",
    "init_module",
    "finit_module",
    "delete_module",
    "kexec_load",
    "kexec_file_load",
    "open_by_handle_at",
    "name_to_handle_at",
    "ioperm",
    "iopl",
    "personality",
    "capset",
    "setuid",
    "setgid",
};

}  // namespace

bool Sandbox::enter(const std::string& folder) {
    return dropCapabilities() && restrictFiles(folder) && restrictCalls();
}

bool Sandbox::dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    if (::syscall(SYS_capset, &header, none) != 0) {
        error = systemReason("cannot drop capabilities");
        return false;
    }
    return true;
}

bool Sandbox::restrictFiles(const std::string& folder) {
    // Needed for Landlock and seccomp alike without privileges; also kept across any exec.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = systemReason("cannot set no_new_privs");
        return false;
    }
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) return true;  // no Landlock in this kernel: landlocked stays false
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = kFirstRights;
    if (abi >= 2) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) attributes.handled_access_fs |= kTruncate;
    const int ruleset =
        static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0) {
        error = systemReason("cannot make a Landlock ruleset");
        return false;
    }
    bool good = true;
    if (!folder.empty()) {
        landlock_path_beneath_attr beneath{};
        beneath.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
        beneath.parent_fd = ::open(folder.c_str(), O_PATH | O_CLOEXEC);
        good = beneath.parent_fd >= 0 && ::syscall(SYS_landlock_add_rule, ruleset,
                                                   LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) == 0;
        if (!good) error = systemReason(("cannot let Landlock read " + folder).c_str());
        if (beneath.parent_fd >= 0) ::close(beneath.parent_fd);
    }
    if (good && ::syscall(SYS_landlock_restrict_self, ruleset, 0) != 0) {
        good = false;
        error = systemReason("cannot enter the Landlock ruleset");
    }
    ::close(ruleset);
    landlocked = good;
    return good;
}

bool Sandbox::restrictCalls() {
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ALLOW);
    if (filter == nullptr) {
        error = "cannot make a seccomp filter";
        return false;
    }
    int failed = 0;  // the first error, negated
    const auto add = [&](std::uint32_t action, int call, unsigned count, const scmp_arg_cmp* on) {
        if (failed == 0) failed = ::seccomp_rule_add_array(filter, action, call, count, on);
    };
    for (const char* name : kForbidden) {
        const int call = ::seccomp_syscall_resolve_name(name);
        if (call != __NR_SCMP_ERROR) add(SCMP_ACT_KILL_PROCESS, call, 0, nullptr);
    }
    // Threads may start; processes may not. glibc falls back from clone3 to clone, whose flags
    // a filter can see. (The comparisons are spelt out: libseccomp's macros are C99.)
    const scmp_arg_cmp notThread{0, SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0};
    add(SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0, nullptr);
    add(SCMP_ACT_KILL_PROCESS, SCMP_SYS(clone), 1, &notThread);
    // Its own limits only (raising the memory one up to the hard limit), its own threads only.
    const scmp_arg_cmp notItself{0, SCMP_CMP_NE, 0, 0};
    const scmp_arg_cmp notItsProcess{0, SCMP_CMP_NE, static_cast<scmp_datum_t>(::getpid()), 0};
    add(SCMP_ACT_KILL_PROCESS, SCMP_SYS(prlimit64), 1, &notItself);
    add(SCMP_ACT_KILL_PROCESS, SCMP_SYS(tgkill), 1, &notItsProcess);
    if (failed == 0) failed = ::seccomp_load(filter);
    ::seccomp_release(filter);
    if (failed != 0) {
        error = std::string("cannot load the seccomp filter: ") + std::strerror(-failed);
        return false;
    }
    return true;
}

}  // namespace kalderino
