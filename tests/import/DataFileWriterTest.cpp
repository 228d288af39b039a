// Tests of the DataFileWriter: placement, exact coordinates, and the safe write.
#include "import/DataFileWriter.h"

#include "tests/import/ImportFixture.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sys/stat.h>

using DataFileWriterTest = ImportFixture;

namespace {

float fromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

ImportedMesh triangleMesh(const std::string& name, std::vector<std::array<float, 3>> points) {
    return {name, std::move(points), {{0, 1, 2}}};
}

}  // namespace

TEST_F(DataFileWriterTest, ViewerReadsBackEveryFloatExactly) {
    std::vector<float> values = {0.1f,
                                 -0.0f,
                                 1e-5f,
                                 16777217.0f,
                                 3.4028235e38f,
                                 -1.17549435e-38f,
                                 std::numeric_limits<float>::denorm_min(),
                                 123456.789f};
    std::mt19937 random(5);
    while (values.size() < 3000) {
        const float value = fromBits(static_cast<std::uint32_t>(random()));
        if (std::isfinite(value)) values.push_back(value);
    }
    ImportedMesh mesh{"floats", {}, {}};
    for (std::size_t i = 0; i + 2 < values.size(); i += 3)
        mesh.points.push_back({values[i], values[i + 1], values[i + 2]});
    mesh.triangles.push_back({0, 1, 2});
    ASSERT_TRUE(DataFileWriter().write(MeshLoader::kFileName, {mesh}));

    const std::string text = readFile(MeshLoader::kFileName);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos);         // plain decimals only
    EXPECT_NE(text.find("\n0.1 -0 0.00001\n"), std::string::npos);  // and the shortest ones
    std::vector<ImportedMesh> loaded;
    ASSERT_TRUE(loadDataFile(loaded));
    ASSERT_EQ(loaded.size(), 1u);
    ASSERT_EQ(loaded[0].points.size(), mesh.points.size());
    for (std::size_t i = 0; i < mesh.points.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k)  // bit for bit, so -0 and 0 differ
            ASSERT_EQ(std::memcmp(&loaded[0].points[i][k], &mesh.points[i][k], sizeof(float)), 0)
                << formatCoordinate(mesh.points[i][k]);
}

TEST_F(DataFileWriterTest, FitsAllMeshesTogetherIntoTheViewBox) {
    std::vector<ImportedMesh> meshes = {
        triangleMesh("a", {{-1000, 0, 0}, {-990, 5, 0}, {-995, 0, 2}}),
        triangleMesh("b", {{-980, 0, 0}, {-985, 1, 0}, {-981, 0, 1}})};
    fitToView(meshes);
    // Extents were 20, 5 and 2: x now spans the box, and the others keep their proportion.
    const auto& a = meshes[0].points;
    const auto& b = meshes[1].points;
    EXPECT_NEAR(a[0][0], kViewCentre[0] - 100, 1e-4);
    EXPECT_NEAR(b[0][0], kViewCentre[0] + 100, 1e-4);
    EXPECT_NEAR(a[1][1] - a[0][1], 50, 1e-4);
    EXPECT_NEAR((a[0][1] + a[1][1]) / 2, kViewCentre[1], 1e-4);
    EXPECT_NEAR(a[2][2] - a[0][2], 20, 1e-4);
    EXPECT_NEAR((a[0][2] + a[2][2]) / 2, kViewCentre[2], 1e-4);

    std::vector<ImportedMesh> single = {triangleMesh("p", {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}})};
    fitToView(single);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_FLOAT_EQ(single[0].points[2][k], static_cast<float>(kViewCentre[k]));
}

TEST_F(DataFileWriterTest, ReplacesAFileOnlyWhenAskedAndLeavesNoTemporaryFile) {
    const std::vector<ImportedMesh> meshes = {triangleMesh("t", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})};
    writeFile("out.dat", "old");
    DataFileWriter writer;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(writer.write("out.dat", meshes));
    EXPECT_FALSE(writer.write("no/such/folder/out.dat", meshes));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "out.dat: already exists; pass --force to replace it\n"
              "no/such/folder/out.dat: cannot create a temporary file beside it: No such file or "
              "directory\n");
    EXPECT_EQ(readFile("out.dat"), "old");

    writer.overwrite = true;
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(writer.write("out.dat", meshes));
    ::umask(mask);
    EXPECT_EQ(readFile("out.dat"), "1\nt\n3\n0 0 0\n1 0 0\n0 1 0\n1\n1 2 3\n");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"out.dat"});
    // As any file the user creates, not the owner-only mode of the temporary file.
    EXPECT_EQ(std::filesystem::status("out.dat").permissions(), std::filesystem::perms(0644));
}
