// Tests of the kalderino-import command, run as a process in a fresh folder.
#include "tests/import/ImportFixture.h"

#include <cstdlib>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status;  // exit status
    std::string out;
    std::string err;
};

}  // namespace

class KalderinoImportTest : public ImportFixture {
protected:
    // Runs the command with stdout and stderr kept apart in files outside the folder it runs in.
    Outcome run(const std::string& arguments) {
        const std::string out = folder + ".out";
        const std::string err = folder + ".err";
        const int result = std::system(
            (std::string("'") + KALDERINO_IMPORT + "' " + arguments + " >" + out + " 2>" + err)
                .c_str());
        Outcome finished{WIFEXITED(result) ? WEXITSTATUS(result) : -1, readFile(out),
                         readFile(err)};
        std::remove(out.c_str());
        std::remove(err.c_str());
        return finished;
    }
};

TEST_F(KalderinoImportTest, WritesEveryMeshIntoTheViewBox) {
    writeFile("cube.stl", asciiStlCube("cube"));
    writeFile("tri.off", "OFF\n3 1 0\n100 0 0\n101 0 0\n100 1 0\n3 0 1 2\n");
    const Outcome result = run("cube.stl tri.off");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "dataTest3.dat: 2 meshes, 11 points, 13 triangles\n");
    EXPECT_EQ(result.err, "");

    std::vector<ImportedMesh> meshes;
    ASSERT_TRUE(loadDataFile(meshes));
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].name, "cube");
    EXPECT_EQ(meshes[1].name, "tri");
    EXPECT_EQ(meshes[0].triangles.size(), 12u);
    EXPECT_NEAR(meshes[1].points[1][0] - meshes[0].points[0][0], 200, 1e-3);  // x: 0 to 101
}

TEST_F(KalderinoImportTest, KeepsCoordinatesBitForBit) {
    const float corners[8][3] = {{0.1f, -2.5e-7f, 1e5f},
                                 {1.3f, 0, 0},
                                 {1, 1, 0},
                                 {0, 1, 123456.789f},
                                 {0, 0, 1},
                                 {1, 0, 1},
                                 {1, 1, 1},
                                 {0, 1, -3.4e38f}};
    writeFile("odd.stl", binaryStlCube(corners));
    ASSERT_EQ(run("--keep-coordinates -o dataTest3.dat odd.stl").status, 0);
    std::vector<ImportedMesh> meshes;
    ASSERT_TRUE(loadDataFile(meshes));
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0].name, "odd");
    std::vector<std::array<float, 3>> expected;
    for (const auto& c : corners) expected.push_back({c[0], c[1], c[2]});
    std::sort(expected.begin(), expected.end());
    std::sort(meshes[0].points.begin(), meshes[0].points.end());
    EXPECT_EQ(meshes[0].points, expected);
}

TEST_F(KalderinoImportTest, RefusesToOverwriteWithoutForce) {
    writeFile("cube.stl", asciiStlCube("cube"));
    writeFile("dataTest3.dat", "old");
    const Outcome refused = run("cube.stl");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "dataTest3.dat: already exists; pass --force to replace it\n");
    EXPECT_EQ(readFile("dataTest3.dat"), "old");

    EXPECT_EQ(run("--force cube.stl").status, 0);
    std::vector<ImportedMesh> meshes;
    EXPECT_TRUE(loadDataFile(meshes));
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"cube.stl", "dataTest3.dat"}));
}

TEST_F(KalderinoImportTest, WritesNothingWhenAnyInputFails) {
    writeFile("cube.stl", asciiStlCube("cube"));
    writeFile("lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n");
    const Outcome noTriangles = run("cube.stl lines.obj");
    EXPECT_EQ(noTriangles.status, 1);
    EXPECT_EQ(noTriangles.err, "lines.obj: holds no triangles\n");
    const Outcome missing = run("cube.stl gone.ply");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "gone.ply: cannot open: No such file or directory\n");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"cube.stl", "lines.obj"}));
}

TEST_F(KalderinoImportTest, ExplainsItsCommandLine) {
    const Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: kalderino-import [-o PATH] [--force] [--keep-coordinates] "
                             "FILE...\n",
                             0),
              0u);
    const Outcome unknown = run("--fast x.stl");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "kalderino-import: unknown option \"--fast\"\n"
                           "usage: kalderino-import [-o PATH] [--force] [--keep-coordinates] "
                           "FILE...\n");
    EXPECT_EQ(run("").status, 2);
}
