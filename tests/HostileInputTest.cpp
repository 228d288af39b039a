// Hostile input: kalderino-shot and kalderino-import on what an attacker or a careless user gives
// them, each row in a folder of its own: exit status, one line, and every file's bytes after.
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

// Rows leave the fields they do not need at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kalderino {

namespace {

// A row: setup makes the files, command runs and exits with status, saying the one line holding
// line on stderr ("": nothing); only the entries changed names (space-separated) may change or
// appear; check is a shell test that must pass afterwards.
struct Row {
    std::string name, setup, command;
    int status = 0;
    std::string line, changed, check;
    long addressMiB = 0;  // the run's limits; 0: none
    int openFiles = 0;
    int signal = 0;        // sent once the run writes a file in its folder, which it must end
    std::string signalOn;  // or once an entry of the folder has a name holding this
};

// Every entry under folder by its type and device number, and a hash of a file's bytes or a
// link's target: short enough to print whole when two differ.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        ::lstat(entry.path().c_str(), &status);
        const std::string bytes = S_ISREG(status.st_mode) ? readFile(entry.path())
                                  : S_ISLNK(status.st_mode)
                                      ? fs::read_symlink(entry.path()).string()
                                      : "";
        entries[fs::relative(entry.path(), folder).string()] =
            std::to_string(status.st_mode & S_IFMT) + " " + std::to_string(status.st_rdev) + " " +
            std::to_string(std::hash<std::string>{}(bytes));
    }
    return entries;
}

// Sends row.signal to pid once it writes a file of folder, or once a name there holds signalOn.
std::function<void(pid_t)> signalWhen(const Row& row, const fs::path& folder, bool& caught) {
    return [&row, folder, &caught](pid_t pid) {
        const bool byName = !row.signalOn.empty();
        const auto seen = [&](const fs::path& entry) {  // a folder's entry, or one of pid's fds
            std::error_code error;
            struct stat status {};
            if (byName) return entry.filename().string().find(row.signalOn) != std::string::npos;
            return fs::read_symlink(entry, error).string().rfind(folder.string() + "/", 0) == 0 &&
                   ::stat(entry.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                   status.st_size > 0;
        };
        const fs::path watched = byName ? folder : fs::path("/proc/" + std::to_string(pid) + "/fd");
        for (siginfo_t ended{}; ended.si_pid == 0; ::usleep(1000)) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(watched, error))
                caught = caught || seen(entry.path());
            if (caught) break;  // at once: the write may be short
            ::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        }
        if (caught) ::kill(pid, row.signal);
    };
}

// A glTF of one mesh: points at the start of the buffer at uri, then indices (none: each three
// points a triangle); more is put in before the buffers.
std::string gltfOf(const std::string& uri, std::size_t points = 3, std::size_t indices = 0,
                   const std::string& more = "") {
    const std::string pointBytes = std::to_string(12 * points);
    return std::string(R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"scene":0,)") +
           R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0})" +
           (indices > 0 ? R"(,"indices":1)" : "") + (more.empty() ? "" : R"(,"material":0)") +
           "}]}]," + more + R"("buffers":[{"byteLength":)" +
           std::to_string(12 * points + 4 * indices) + R"(,"uri":")" + uri +
           R"("}],"bufferViews":[{"buffer":0,"byteLength":)" + pointBytes + "}" +
           (indices > 0 ? R"(,{"buffer":0,"byteOffset":)" + pointBytes + R"(,"byteLength":)" +
                              std::to_string(4 * indices) + "}"
                        : "") +
           R"(],"accessors":[{"bufferView":0,"componentType":5126,"count":)" +
           std::to_string(points) + R"(,"type":"VEC3","max":[1,1,0],"min":[0,0,0]})" +
           (indices > 0 ? R"(,{"bufferView":1,"componentType":5125,"count":)" +
                              std::to_string(indices) + R"(,"type":"SCALAR"})"
                        : "") +
           "]}";
}

class HostileInputTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("SHOT", SHOT_PATH, 1);
        ::setenv("IMPORT", IMPORT_PATH, 1);
        // big.obj: 2 M triangles, slow to write; tri.bin and tri.gltf: one triangle; gltf.sh
        // BUFFER [TEXTURE]: a glTF of the triangle in BUFFER, textured with TEXTURE.
        shared = new TestFolder;
        const std::string triangle = "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA";  // base64
        const Outcome made =
            run("echo " + triangle +
                " | base64 -d > tri.bin && "
                "printf '1\\nscene\\n3\\n0 0 0\\n10 0 0\\n0 10 0\\n1\\n1 2 3\\n' > scene.dat && "
                "printf 'v 0 0 0\\nv 1 0 0\\nv 0 1 0\\nf 1 2 3\\n' > tri.obj && "
                "awk 'BEGIN{n=1000; for(i=0;i<n;i++)for(j=0;j<n;j++)printf \"v %d %d %d\\n\",i,j,"
                "(i*j)%7; for(i=0;i<n-1;i++)for(j=0;j<n-1;j++){a=i*n+j+1;printf \"f %d %d %d\\nf "
                "%d %d %d\\n\",a,a+1,a+n,a+1,a+n+1,a+n}}' > big.obj");
        ASSERT_EQ(made.status, 0) << made.err;
        std::ofstream(shared->path / "tri.gltf")
            << gltfOf("data:application/octet-stream;base64," + triangle);
        std::ofstream(shared->path / "gltf.sh")
            << "printf '"
            << gltfOf("%s", 3, 0,
                      R"("materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],)"
                      R"("textures":[{"source":0}],"images":[{"uri":"%s"}],)")
            << "' \"${2:-tex.png}\" \"$1\"";
        ::setenv("SHARED", shared->path.c_str(), 1);
        fs::current_path(shared->previous);
    }
    static void TearDownTestSuite() { delete shared; }

    void check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name + ": " + row.command);
            const fs::path here = folder.path / std::to_string(++rowNumber);
            fs::create_directory(here);
            fs::current_path(here);
            const Outcome setup = run("cp \"$SHARED/scene.dat\" \"$SHARED/tri.obj\" . && " +
                                      (row.setup.empty() ? std::string(":") : row.setup));
            ASSERT_EQ(setup.status, 0) << row.setup << "\n" << setup.err;
            auto before = snapshot(here);
            bool caught = row.signal == 0;  // nothing to wait for without a signal to send
            const Outcome outcome =
                run(row.command, caught ? nullptr : signalWhen(row, here, caught), 300,
                    {row.addressMiB, row.openFiles, true});
            EXPECT_TRUE(caught) << "ended before it was caught writing";
            EXPECT_EQ(outcome.status, row.signal != 0 ? -row.signal : row.status) << outcome.err;
            EXPECT_TRUE(row.signal == 0 || outcome.out.empty()) << outcome.out;
            const auto lines = std::count(outcome.err.begin(), outcome.err.end(), '\n');
            EXPECT_TRUE(row.line.empty()
                            ? outcome.err.empty()
                            : lines == 1 && outcome.err.find(row.line) != std::string::npos)
                << "  said: " << outcome.err << "  expected: " << row.line;
            const Outcome checked = run(row.check);
            EXPECT_EQ(checked.status, 0) << row.check << "\n" << checked.err;
            auto after = snapshot(here);
            std::istringstream changed(row.changed);
            for (std::string name; changed >> name;)
                for (auto* entries : {&before, &after}) entries->erase(name);
            EXPECT_EQ(after, before) << "entries left, gone or changed";
            fs::current_path(folder.path);
        }
    }

    static inline TestFolder* shared = nullptr;
    TestFolder folder;
    int rowNumber = 0;
};

// Bombs, outputs that are inputs, old files in the way, and files a model names outside its
// folder or that are not regular (read through the library, only beside the model).
TEST_F(HostileInputTest, RefusesWhatItMayNotReadOrReplaceAndLeavesTheRestAsItWas) {
    const std::string gltf = "sh \"$SHARED/gltf.sh\" ";
    const std::string bin = "cp \"$SHARED/tri.bin\" ";
    const std::string import = "exec $IMPORT -o o.dat m.gltf";
    const std::string name250(250, 'n');
    check({
        {"mesh count", "printf '2147483647 m 3 0 0 0\\n' > bomb.dat",
         "exec $SHOT -o b.png bomb.dat", 1, "announces 2147483647 meshes"},
        {"point count", "printf '1 m 2147483647 0 0 0\\n' > bomb.dat",
         "exec $SHOT -o b.png bomb.dat", 1, "bomb.dat:1:"},
        // Where a file manager opens model files directly; the window is never reached.
        {"binary STL count, thumbnail",
         "head -c 80 /dev/zero > bomb.stl && printf '\\377\\377\\377\\377' >> bomb.stl",
         "exec $SHOT --thumbnail 64 -o t.png bomb.stl", 1, "announces 4294967295 triangles"},
        // A byte-order mark, which model readers skip, is no part of a data file.
        {"a data file after a byte-order mark",
         "printf '\\357\\273\\277' > b.dat && cat scene.dat >> b.dat", "exec $SHOT -o b.png b.dat",
         1, "b.dat:1: expected the mesh count"},
        // An output that is an input, under any name.
        {"picture over the data file", "", "exec $SHOT -o scene.dat scene.dat", 1,
         "scene.dat: is a file being drawn"},
        {"thumbnail over its model", "", "exec $SHOT --thumbnail 64 -o tri.obj tri.obj", 1,
         "tri.obj: is a file being drawn"},
        {"picture over the data file through a link", "ln -s scene.dat link.png",
         "exec $SHOT -o link.png scene.dat", 1, "is a file being drawn"},
        {"a later %d picture over the data file", "cp scene.dat s1.dat",
         "exec $SHOT --keys x -o 's%d.dat' s1.dat", 1, "s1.dat: is a file being drawn"},
        {"data file over the model, --force", "", "exec $IMPORT --force -o tri.obj tri.obj", 1,
         "tri.obj: is the input tri.obj"},
        {"data file over the model through a hard link", "ln tri.obj hard.obj",
         "exec $IMPORT --force -o hard.obj scene.dat tri.obj", 1, "is the input tri.obj"},
        {"data file over the model through a symbolic link", "ln -s tri.obj link.dat",
         "exec $IMPORT --force -o link.dat tri.obj", 1, "is the input tri.obj"},
        {"two old pictures, the last in the way",
         "echo old > out-0.png && echo old > out-1.png && mkdir out-2.png",
         "exec $SHOT --keys 'x x' -o 'out-%d.png' scene.dat", 1,
         "out-2.png: cannot write: Is a directory"},
        {"a 250-byte data file name", "", "exec $IMPORT -o " + name250 + " tri.obj", 0, "",
         name250},
        // Files the model names.
        {"a buffer beside it", bin + ". && " + gltf + "tri.bin > m.gltf", import, 0, "", "o.dat",
         "grep -q '^3$' o.dat"},
        {"a buffer below it, through ..",
         "mkdir in && " + bin + "in && " + gltf + "in/./../in/tri.bin > m.gltf", import, 0, "",
         "o.dat"},
        {"an absolute URI to a file of mode 600",
         bin + "secret.bin && chmod 600 secret.bin && " + gltf + "\"$PWD/secret.bin\" > m.gltf",
         import, 1, "m.gltf: refers to \"/"},
        {"a file: URI", bin + "secret.bin && " + gltf + "\"file://$PWD/secret.bin\" > m.gltf",
         import, 1, "m.gltf: refers to \"file:///"},
        {"a URI out of the folder through one below",
         bin + "../up.bin && mkdir in && " + gltf + "in/../../up.bin > m.gltf", import, 1,
         "refers to \"in/../../up.bin\", outside its folder"},
        {"a link out of the folder",
         bin + "../up.bin && ln -s ../up.bin l.bin && " + gltf + "l.bin > m.gltf", import, 1,
         "m.gltf: refers to \"l.bin\", which leads outside its folder"},
        {"a FIFO buffer nobody writes", "mkfifo f.bin && " + gltf + "f.bin > m.gltf", import, 1,
         "m.gltf: refers to \"f.bin\", which is a FIFO, not a regular file"},
        {"a device buffer", "ln -s /dev/zero z.bin && " + gltf + "z.bin > m.gltf", import, 1,
         "m.gltf: refers to \"z.bin\", which is a character device, not a regular file"},
        {"an absolute texture URI", bin + ". && " + gltf + "tri.bin /etc/passwd > m.gltf", import,
         1, "m.gltf: refers to \"/etc/passwd\", an absolute path"},
        {"a model from standard input names no file", bin + ". && " + gltf + "tri.bin > m.gltf",
         "exec $IMPORT --format gltf -o o.dat /dev/stdin < m.gltf", 1,
         "/dev/stdin: refers to \"tri.bin\", but a model read from standard input or a device "
         "may refer to no file"},
    });
}

// A stream may never end: what is read of one is bounded, as the endless writer counts it.
TEST_F(HostileInputTest, DevicesAndFifosAreReadWithinBoundsAndWrittenNotReplaced) {
    const std::string endless =
        "(trap '' PIPE; exec dd if=/dev/zero of=m bs=64K 2>dd.txt) & $IMPORT -o o.dat ";
    const std::string readTwoGiB = "b=$(sed -n 's/^\\([0-9]*\\) bytes.*/\\1/p' dd.txt) && "
                                   "test $b -ge 2147483648 && test $b -le 2149580800";
    const std::string tooLong =
        ": cannot read: more than 2 GiB from a file that is not a regular file";
    std::vector<Row> rows = {
        {"FIFO model through the library", "cp \"$SHARED/tri.gltf\" . && mkfifo m.gltf",
         "cat tri.gltf > m.gltf & exec $IMPORT -o o.dat m.gltf", 0, "", "o.dat",
         "grep -q '^3$' o.dat"},
        {"FIFO model through a reader of ours", "mkfifo m.obj",
         "cat tri.obj > m.obj & exec $IMPORT -o o.dat m.obj", 0, "", "o.dat",
         "grep -q '^3$' o.dat"},
        {"FIFO data file", "mkfifo s.dat", "cat scene.dat > s.dat & exec $SHOT -o s.png s.dat", 0,
         "", "s.png"},
        {"standard input with --format", "",
         "exec $IMPORT --format obj -o o.dat /dev/stdin < tri.obj", 0, "", "o.dat",
         "grep -q '^3$' o.dat"},
        {"a pipe without --format", "", "cat tri.obj | $IMPORT -o o.dat /dev/stdin", 1,
         "name the format with --format EXT"},
        // 2 GiB are read, then refused, by our readers and by the copy handed to the library's.
        {"an endless FIFO, a reader of ours", "mkfifo m && ln -s m m.stl",
         endless + "m.stl; s=$?; wait; exit $s", 1, "m.stl" + tooLong, "dd.txt", readTwoGiB},
        {"an endless FIFO, the library's reader", "mkfifo m && ln -s m m.gltf",
         endless + "m.gltf; s=$?; wait; exit $s", 1, "m.gltf" + tooLong, "dd.txt", readTwoGiB},
        {"FIFO as the picture", "mkfifo p.png",
         "cat p.png > got.png & $SHOT -o p.png scene.dat; wait", 0, "", "got.png",
         "test -p p.png && head -c 4 got.png | grep -q PNG"},
        {"FIFO as the data file", "mkfifo o.dat",
         "cat o.dat > got.dat & $IMPORT -o o.dat tri.obj; wait", 0, "", "got.dat",
         "test -p o.dat && grep -q '^3$' got.dat"},
        {"data file to standard output, a pipe", "",
         "$IMPORT -o /dev/stdout tri.obj | cat > got.dat", 0, "", "got.dat",
         "grep -q '^3$' got.dat"},
    };
#ifndef __SANITIZE_ADDRESS__  // which needs the address space: no limit on it
    rows.push_back({"/dev/urandom as the data file, under 1 GiB",
                    "ln -s /dev/urandom dataTest3.dat", "exec $SHOT -o r.png", 1,
                    "dataTest3.dat: cannot read:", "", "", 1024});
#endif
    if (::geteuid() == 0) {
        rows.push_back({"a copy of /dev/null as the picture", "mknod null c 1 3",
                        "exec $SHOT -o null scene.dat", 0, "", "", "test -c null"});
        rows.push_back({"a copy of /dev/null as the data file, --force", "mknod null c 1 3",
                        "exec $IMPORT --force -o null tri.obj", 0, "", "", "test -c null"});
    } else {
        std::printf("skipped the mknod rows: making a device node needs root\n");
    }
    check(rows);
}

TEST_F(HostileInputTest, FullAndReadOnlyTargetsFailCleanly) {
    const Outcome probe = run("mkdir probe && mount -t tmpfs tmpfs probe && umount probe");
    if (probe.status != 0) GTEST_SKIP() << "cannot mount a small tmpfs here: " << probe.err;
    // Unmounted before the folder is compared, a tmpfs row checks its own and exits 99 if changed.
    const std::string unmount = "; s=$?; test \"$(cat full/o)\" = old && test \"$(ls full)\" = o; "
                                "t=$?; umount full; test $t = 0 && exit $s; exit 99";
    const std::string full = "mkdir full && mount -t tmpfs -o size=";
    check({
        {"data file on a full tmpfs", full + "256k tmpfs full && echo old > full/o",
         "$IMPORT --force -o full/o \"$SHARED/big.obj\"" + unmount, 1,
         "full/o: cannot write: No space left on device", "full/o"},
        {"picture on a full tmpfs", full + "8k tmpfs full && echo old > full/o",
         "$SHOT --size 2000x2000 -o full/o scene.dat" + unmount, 1,
         "full/o: cannot write: No space left on device", "full/o"},
        {"data file on a read-only tmpfs", "mkdir ro && mount -t tmpfs -o size=64k,ro tmpfs ro",
         "$IMPORT -o ro/o.dat tri.obj; s=$?; test -z \"$(ls ro)\"; t=$?; umount ro; "
         "test $t = 0 && exit $s; exit 99",
         1, "Read-only file system"},
    });
}

TEST_F(HostileInputTest, SignalsInTheMiddleOfAWriteLeaveNothing) {
    std::vector<Row> rows;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
        const int fd = ::open(folder.path.c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (fd >= 0) ::close(fd);
        if (signal == SIGKILL && fd < 0) {
            std::printf("skipped the SIGKILL rows: O_TMPFILE is refused here, and the named "
                        "temporary a SIGKILL leaves is the fallback's known limit\n");
            continue;
        }
        const std::string name = strsignal(signal);
        rows.push_back({"import, " + name, "echo old > o.dat",
                        "exec $IMPORT --force -o o.dat \"$SHARED/big.obj\"", 0, "", "", "", 0, 0,
                        signal});
        if (signal == SIGKILL) {
            rows.push_back({"shot, " + name, "echo old > p.png",
                            "exec $SHOT --size 4000x4000 -o p.png scene.dat", 0, "", "", "", 0, 0,
                            signal});
            continue;
        }
        // Once picture 1 is set aside under a name of its own, with pictures 2 to 8 to come.
        rows.push_back({"a run of shots, " + name, "echo old > m-0.png && echo old > m-3.png",
                        "exec $SHOT --size 1000x1000 --keys 'x x x x x x x x' -o m-%d.png "
                        "scene.dat",
                        0, "", "", "", 0, 0, signal, "m-1.png."});
    }
    check(rows);
}

// Within memory, processor-time and open-file limits, and the library reader's own limits for
// small files that ask for gigabytes or minutes: one line naming the file and the limit.
TEST_F(HostileInputTest, RunsWithinLimitsAndEndsCleanlyAtThem) {
    const std::string polygon =  // one face of 20,000 corners, which the library cuts ear by ear
        "awk 'BEGIN{n=20000; print \"xof 0302txt 0064\\nMesh {\\n\" n \";\"; for(i=0;i<n;i++) "
        "printf \"%f;%f;0;%s\\n\", cos(i/n*6.28318), sin(i/n*6.28318), i<n-1?\",\":\";\"; "
        "printf \"1;\\n%d;\", n; for(i=0;i<n;i++) printf \"%d%s\", i, i<n-1?\",\":\";;\\n}\\n\"}' "
        "> poly.x";
    std::vector<Row> rows = {
        {"1,100 pictures with 64 open files", "",
         "exec $SHOT --size 32x24 --keys \"$(printf 'x %.0s' $(seq 1100))\" -o 'n-%04d.png' "
         "scene.dat >/dev/null",
         0, "", "", "test $(ls n-*.png | wc -l) = 1101 && rm n-*.png", 0, 64},
        {"a 1-second processor limit, a 20,000-corner polygon", polygon,
         "KALDERINO_READ_SECONDS=1 exec $IMPORT -o o.dat poly.x", 1,
         "poly.x: cannot read within the library reader's time limit of 1 s of processor time"},
        // Stopped once it is the reader: between vfork and exec it would stop the program too.
        {"a 12-second clock, the reader stopped", polygon,
         "KALDERINO_READ_SECONDS=1 $IMPORT -o o.dat poly.x & until c=$(cat "
         "/proc/$!/task/$!/children) && grep -qs libra /proc/${c%% *}/comm; do sleep 0.05; done; "
         "kill -STOP $c; wait $!",
         1, "poly.x: cannot read within the library reader's time limit of 12 s"},
    };
#ifndef __SANITIZE_ADDRESS__
    // 2 M triangles in a glTF of 400 bytes: its 36 MB buffer earns the memory they need.
    const std::uint32_t side = 1000;
    std::ofstream bin(shared->path / "grid.bin", std::ios::binary);
    const auto put = [&bin](auto value) { bin.write(reinterpret_cast<char*>(&value), 4); };
    for (std::uint32_t i = 0; i < side * side; ++i)
        put(1.0f * (i % side)), put(1.0f * (i / side)), put(0.0f);
    for (std::uint32_t y = 0; y + 1 < side; ++y)
        for (std::uint32_t x = 0; x + 1 < side; ++x)
            for (const std::uint32_t corner : {0u, 1u, side, 1u, side + 1, side})
                put(y * side + x + corner);
    bin.close();
    std::ofstream(shared->path / "grid.gltf")
        << gltfOf("grid.bin", side * side, 6 * (side - 1) * (side - 1));
    rows.push_back({"a 16384 x 16384 picture in 3 GiB", "",
                    "exec $SHOT --size 16384x16384 -o p.png scene.dat", 1,
                    "not enough memory for a 16384 x 16384 picture", "", "", 3072});
    rows.push_back({"a model in 100 MiB", "", "exec $IMPORT -o o.dat \"$SHARED/big.obj\"", 1,
                    "big.obj: not enough memory for the meshes of its", "", "", 100});
    // 1.5 GB of zeros, read from the page cache's one zero page: within the thumbnail's
    // own limit the file is mapped, and the triangles do not fit beside it.
    rows.push_back({"a 1.5 GB STL, thumbnail",
                    "head -c 80 /dev/zero > h.stl && printf '\\200\\303\\311\\1' >> h.stl && "
                    "truncate -s 1500000084 h.stl",
                    "exec $SHOT --thumbnail 64 -o t.png h.stl", 1,
                    "h.stl: not enough memory for 30,000,000 triangles within the thumbnail's "
                    "2048 MiB"});
    rows.push_back({"a glTF of 2 M triangles in a buffer beside it",
                    "ln \"$SHARED/grid.gltf\" \"$SHARED/grid.bin\" .",
                    "exec $IMPORT -o o.dat grid.gltf", 0, "", "o.dat",
                    "grep -q '^1996002$' o.dat"});
    rows.push_back({"a glb whose JSON claims 1.5e9 bytes",
                    "printf 'glTF\\2\\0\\0\\0\\130\\2\\0\\0\\0\\57\\150\\131JSON"
                    "{\"asset\":{\"version\":\"2.0\"}}' > b.glb && head -c 553 /dev/zero >> b.glb",
                    "exec $IMPORT -o o.dat b.glb", 1,
                    "b.glb: cannot read within the library reader's memory limit of 193 MiB"});
#else
    std::printf("skipped the address-space rows: AddressSanitizer needs the address space\n");
#endif
    check(rows);
}

}  // namespace

}  // namespace kalderino
