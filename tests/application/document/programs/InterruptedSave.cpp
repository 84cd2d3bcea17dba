// A save killed as it renames its file into place: what a crash, a kill or a power
// cut at that moment leaves behind.
//
//   chronark-interrupted-save SOURCE TARGET
//
// Reads the document file SOURCE and saves it to TARGET through the document
// file's writer. Before the save the process asks the kernel (a seccomp filter) to
// kill it at its first rename, so it dies exactly where the save would put its
// finished temporary file over TARGET. Exit status 2: SOURCE could not be read;
// 3: the filter could not be set; 4: the save ended without a rename (the killing
// did not happen). Killed by SIGSYS: the interruption took place.
#include "application/tree/DocumentFileFormat.h"

#include <QCoreApplication>
#include <QString>

#include <cstddef>
#include <cstdio>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>

namespace {

#if defined(__x86_64__)
constexpr unsigned Architecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned Architecture = AUDIT_ARCH_AARCH64;
#else
#error "the rename system calls of this architecture are not listed"
#endif

bool killAtRename()
{
    // A killed process leaves no core file behind.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, Architecture, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef __NR_rename
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rename, 3, 0),
#else
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 3, 0),
#endif
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof(filter) / sizeof(filter[0])), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: chronark-interrupted-save SOURCE TARGET\n");
        return 1;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    DocumentFileFormat::ReadResult read;
    if (!DocumentFileFormat::readFromFile(source, DocumentFileFormat::TypeName, read) || !read.root)
        return 2;
    if (!killAtRename())
        return 3;
    QString reason;
    DocumentFileFormat::writeToFile(target, DocumentFileFormat::TypeName, *read.root, read.store, &reason);
    return 4;
}
