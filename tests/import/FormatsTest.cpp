// FormatsTest: the table of formats: a file's format by its name, what the rows promise, and the
// texts and lists outside the code held against it (manual pages, help texts, the desktop entry,
// the thumbnailer and the model fuzzer's seeds).
#include "import/Formats.h"

#include "import/Importer.h"
#include "import/LibraryReader.h"
#include "import/OwnReaders.h"
#include "tests/ProgramRun.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kalderino {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// A manual page's Markdown with the README's sections put in, as docs/man/make-page does.
std::string manualPage(const std::string& name) {
    const std::string readme = readFile(SOURCE_DIR "/README.md");
    std::istringstream page(readFile(SOURCE_DIR "/docs/man/" + name + ".1.md"));
    std::string text;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind("<!-- README: ", 0) == 0) {
            const std::string section = line.substr(13, line.size() - 17);
            const std::size_t start = readme.find("<!-- man: " + section + " -->");
            line = readme.substr(start, readme.find("<!-- /man: " + section + " -->") - start);
        }
        text += line + '\n';
    }
    return text;
}

std::string helpOf(const std::string& program) {
    const Outcome help = run("exec '" + program + "' --help");
    EXPECT_EQ(help.status, 0) << program;
    return help.out;
}

// The MIME types of the rows, as a desktop file lists them: "model/obj;model/stl;...;".
std::string mimeTypeList(bool thumbnailsOnly) {
    std::string list;
    for (const Format& format : kFormats)
        if (format.thumbnails || !thumbnailsOnly)
            for (const std::string& type :
                 words(format.mimeTypes + std::string(" ") + format.ourMimeType))
                list += type + ';';
    return list;
}

}  // namespace

TEST(FormatsTest, TellsAFileByTheExtensionOfItsBaseNameInAnyCase) {
    const struct {
        const char* path;
        const Format* format;  // as the importer tells it; the table alone leaves out the others
    } rows[] = {{"scan.PLY", &kFormats[1]},
                {"a.v2.Stl", &kFormats[2]},
                {"dir/x.obj", &kFormats[0]},
                {"scene.GLB", &kFormats[4]},
                {"part.x", &kLibraryOthers},
                {"scene.mesh.xml", &kLibraryOthers},
                {"dir.obj/notes", nullptr},
                {"dataTest3.dat", nullptr},
                {"notes.txt", nullptr},
                {"trailing.", nullptr},
                {"", nullptr}};
    for (const auto& row : rows) {
        EXPECT_EQ(Importer::formatOf(row.path), row.format) << row.path;
        EXPECT_EQ(formatOfExtension(extensionOf(row.path)),
                  row.format == &kLibraryOthers ? nullptr : row.format)
            << row.path;
    }
}

TEST(FormatsTest, RowsKeepTheirPromises) {
    std::set<std::string> seen;
    for (const Format& format : kFormats) {
        const bool own = format.reader == Format::Reader::own;
        EXPECT_EQ(ownReaderFor(format) != nullptr, own) << format.name;
        EXPECT_TRUE(own || !format.thumbnails) << format.name << ": a thumbnail of the library's";
        EXPECT_EQ(*format.extensions == '\0', &format == &kLibraryOthers) << format.name;
        for (const std::string& extension : words(format.extensions)) {
            for (const char c : extension) EXPECT_FALSE(std::isupper(c)) << extension;
            EXPECT_TRUE(seen.insert(extension).second) << extension << " in two rows";
            EXPECT_TRUE(own || LibraryReader::readsExtension(extension)) << extension;
        }
    }
}

TEST(FormatsTest, TextsAndListsOutsideTheCodeFollowTheTable) {
    const std::string source = SOURCE_DIR;
    const struct {
        std::string document, text;
        std::vector<Formats> lists;  // the names of each, as formatNames() writes them
    } documents[] = {
        {"kalderino-view(1)", manualPage("kalderino-view"), {Formats::own, Formats::library}},
        {"kalderino-import(1)", manualPage("kalderino-import"), {Formats::own, Formats::library}},
        {"kalderino-shot(1)", manualPage("kalderino-shot"), {Formats::thumbnails}},
        {"kalderino-view --help", helpOf(VIEW_PATH), {Formats::all}},
        {"kalderino-import --help", helpOf(KALDERINO_IMPORT), {Formats::all}},
#ifdef SHOT_PATH
        {"kalderino-shot --help", helpOf(SHOT_PATH), {Formats::all, Formats::thumbnails}},
#endif
    };
    for (const auto& document : documents)
        for (const Formats list : document.lists)
            EXPECT_NE(squeezed(document.text).find(formatNames(list)), std::string::npos)
                << document.document << " does not name " << formatNames(list);

    EXPECT_EQ(entryValue(source + "/desktop/kalderino-view.desktop", "MimeType"),
              mimeTypeList(false));
    EXPECT_EQ(entryValue(source + "/desktop/kalderino.thumbnailer", "MimeType"),
              mimeTypeList(true));
    // A seed of each format the model fuzzer feeds, so that it starts from a file it reads.
    std::set<std::string> seeded;
    for (const auto& seed : fs::directory_iterator(source + "/fuzz/model-corpus"))
        seeded.insert(seed.path().extension().string());
    for (const Format& format : kFormats)
        for (const std::string& extension : words(format.extensions))
            EXPECT_TRUE(format.reader != Format::Reader::own || seeded.count("." + extension))
                << "fuzz/model-corpus holds no ." << extension << " file";
}

}  // namespace kalderino
