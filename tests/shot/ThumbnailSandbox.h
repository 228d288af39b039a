// ThumbnailSandbox: the sandbox GNOME's thumbnail factory runs a thumbnailer in (bubblewrap: /usr
// read-only, the input under a fixed name, a private /tmp for the output, no network, a seccomp
// filter), as a command line to put before the thumbnailer's; the program's folder is /kalderino.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <linux/sched.h>
#include <seccomp.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/personality.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kalderino {

// The factory's filter (Flatpak's): clone3 says ENOSYS so that the C library falls back to clone,
// whose user namespaces are refused; sockets of the local, internet and netlink families only. In
// a descriptor the shell and bwrap inherit, as the factory passes it; -1 when it cannot be written.
inline int thumbnailFilter() {
    const scmp_filter_ctx context = seccomp_init(SCMP_ACT_ALLOW);
    if (context == nullptr) return -1;
    // Comparisons of arguments, as libseccomp's SCMP_A* macros write them in C.
    const auto refuse = [&](int error, int call, std::vector<scmp_arg_cmp> arguments = {}) {
        seccomp_rule_add_array(context, SCMP_ACT_ERRNO(error), call,
                               static_cast<unsigned>(arguments.size()), arguments.data());
    };
    for (const int call :
         {SCMP_SYS(syslog),        SCMP_SYS(uselib),          SCMP_SYS(acct),
          SCMP_SYS(quotactl),      SCMP_SYS(add_key),         SCMP_SYS(keyctl),
          SCMP_SYS(request_key),   SCMP_SYS(move_pages),      SCMP_SYS(mbind),
          SCMP_SYS(get_mempolicy), SCMP_SYS(set_mempolicy),   SCMP_SYS(migrate_pages),
          SCMP_SYS(unshare),       SCMP_SYS(setns),           SCMP_SYS(mount),
          SCMP_SYS(umount2),       SCMP_SYS(pivot_root),      SCMP_SYS(chroot),
          SCMP_SYS(modify_ldt),    SCMP_SYS(perf_event_open), SCMP_SYS(ptrace)})
        refuse(EPERM, call);
    for (const int call :
         {SCMP_SYS(clone3), SCMP_SYS(open_tree), SCMP_SYS(move_mount), SCMP_SYS(fsopen),
          SCMP_SYS(fsconfig), SCMP_SYS(fsmount), SCMP_SYS(fspick), SCMP_SYS(mount_setattr)})
        refuse(ENOSYS, call);
    refuse(EPERM, SCMP_SYS(clone), {{0, SCMP_CMP_MASKED_EQ, CLONE_NEWUSER, CLONE_NEWUSER}});
    for (const unsigned long request : {TIOCSTI, TIOCLINUX})
        refuse(EPERM, SCMP_SYS(ioctl), {{1, SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, request}});
    refuse(EPERM, SCMP_SYS(personality), {{0, SCMP_CMP_NE, PER_LINUX, 0}});
    for (scmp_datum_t family = AF_INET + 1; family < AF_NETLINK; ++family)
        if (family != AF_INET6)
            refuse(EAFNOSUPPORT, SCMP_SYS(socket), {{0, SCMP_CMP_EQ, family, 0}});
    refuse(EAFNOSUPPORT, SCMP_SYS(socket), {{0, SCMP_CMP_GE, AF_NETLINK + 1, 0}});
    int filter = ::memfd_create("thumbnail-seccomp", 0);
    if (filter >= 0 && seccomp_export_bpf(context, filter) != 0) ::close(filter), filter = -1;
    seccomp_release(context);
    return filter;
}

// The sandbox for input (inside: its name there), writing to outputFolder: the command line,
// ending in a space; "" with the reason in error when this system cannot have it.
inline std::string thumbnailSandbox(const std::string& input, std::string& inside,
                                    const std::string& outputFolder,
                                    const std::string& programFolder, std::string& error) {
    static const int filter = thumbnailFilter();  // one for the whole run, read from its start
    if (std::system("bwrap --ro-bind / / --unshare-all true 2>/dev/null") != 0)
        error = "bwrap (bubblewrap) is missing, or cannot create namespaces here";
    else if (filter < 0 || ::lseek(filter, 0, SEEK_SET) != 0)
        error = "cannot write the seccomp filter";
    if (!error.empty()) return "";
    inside =
        "/tmp/gnome-desktop-file-to-thumbnail" + std::filesystem::path(input).extension().string();
    std::string line = "bwrap --ro-bind /usr /usr --ro-bind-try /etc/ld.so.cache /etc/ld.so.cache";
    // Folders that are links into /usr on a merged system are links there too.
    for (const std::filesystem::path folder : {"/bin", "/lib64", "/lib", "/sbin"}) {
        const std::string name = folder.string();
        if (std::filesystem::is_symlink(folder))
            line += " --symlink " + std::filesystem::read_symlink(folder).string() + " " + name;
        else if (std::filesystem::exists(folder))
            line += " --ro-bind " + name + " " + name;
    }
    return line +
           " --ro-bind-try /etc/alternatives /etc/alternatives --proc /proc --dev /dev --chdir /"
           " --setenv GIO_USE_VFS local --unshare-all --die-with-parent --bind '" +
           outputFolder + "' /tmp --ro-bind '" + input + "' " + inside + " --ro-bind '" +
           programFolder + "' /kalderino --setenv PATH /kalderino:/usr/bin --seccomp " +
           std::to_string(filter) + " ";
}

}  // namespace kalderino
