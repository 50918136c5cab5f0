// Runs the cairnly-report program on trees built here and reads what it prints.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/cairnly-report-XXXXXX";
        base = ::mkdtemp(pattern);
        root = base + "/tree";
        fs::create_directories(root);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
    void Write(const std::string& relative, std::size_t size, char fill) {
        fs::create_directories(fs::path(root + "/" + relative).parent_path());
        std::ofstream(root + "/" + relative, std::ios::binary) << std::string(size, fill);
    }
    // asUser: run without root's power over permission bits (as nobody).
    Outcome Report(const std::string& arguments, const std::string& inFolder = "",
                   bool asUser = false) {
        std::string out = base + "/out", err = base + "/err";
        const std::string prefix =
            asUser && ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        // The digest cache of deep scans goes beside the tree, never to the user's cache.
        std::string command = "XDG_CACHE_HOME=" + ShellQuote(base + "/cache") + " " + prefix +
                              CAIRNLY_REPORT_PATH + " " + arguments + " >" + ShellQuote(out) +
                              " 2>" + ShellQuote(err);
        if (!inFolder.empty()) command = "cd " + ShellQuote(inFolder) + " && " + command;
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
    }
    // Two copies of a 2 MiB file, one 1 MiB file, one small file, one name that is not UTF-8.
    void MakeTree() {
        Write("a/copy.bin", 2 * 1048576, 'x');
        Write("b/copy.bin", 2 * 1048576, 'x');
        Write("b/one.iso", 1048576 + 1, 'y');
        Write("c/small.txt", 10, 'z');
        Write("c/bad\xff.bin", 1048576 + 2, 'w');
    }
    std::string base, root;
};

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

TEST_F(ReportTest, JsonHoldsTheFourPagesWithCellsPathsAndSizes) {
    MakeTree();
    Outcome run = Report("--json --min-folder-mb 1 --mode deep " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << "progress only on a terminal or with --progress";
    QJsonObject report = ParseJson(run.out);
    EXPECT_EQ(report["root"].toString().toStdString(), root);
    EXPECT_EQ(report["unreadable_folders"].toInt(-1), 0);
    QJsonArray pages = report["pages"].toArray();
    ASSERT_EQ(pages.size(), 4);
    const char* names[] = {"Largest folders", "Largest files", "Duplicate files",
                           "Partial duplicate folders"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pages[i].toObject()["page"].toString().toStdString(), names[i]);

    QJsonObject folders = pages[0].toObject();
    EXPECT_EQ(folders["summary"].toString().toStdString(),
              "Displaying the 3 largest folders greater than 1.0 MB (total file size: 6.0 MB)");
    QJsonObject topFolder = folders["rows"].toArray()[0].toObject();
    EXPECT_EQ(topFolder["path"].toString().toStdString(), root + "/b");
    EXPECT_EQ(topFolder["bytes"].toInteger(), 3 * 1048576 + 1);
    EXPECT_EQ(topFolder["total_bytes"].toInteger(), 3 * 1048576 + 1);
    EXPECT_EQ(topFolder["cells"].toArray()[1].toString().toStdString(), "3.000001");

    QJsonArray files = pages[1].toObject()["rows"].toArray();
    ASSERT_EQ(files.size(), 4);  // the small file is below 1 MB
    EXPECT_EQ(files[0].toObject()["bytes"].toInteger(), 2 * 1048576);

    QJsonArray duplicates = pages[2].toObject()["rows"].toArray();
    ASSERT_EQ(duplicates.size(), 2);
    for (const auto& row : duplicates) {
        EXPECT_EQ(row.toObject()["group"].toInt(), 1);
        EXPECT_EQ(row.toObject()["cells"].toArray()[0].toString(), "1");
    }
    EXPECT_EQ(pages[2].toObject()["summary"].toString().toStdString(),
              "Displaying 2 duplicate files with a total size of 4.0 MB");
    EXPECT_EQ(pages[3].toObject()["rows"].toArray().size(), 0);
}

TEST_F(ReportTest, FoldersThatCannotBeReadAreCountedInTheJsonAndTheStatus) {
    Write("open/seen.bin", 2 * 1048576, 'x');
    Write("locked/hidden.bin", 2 * 1048576, 'x');
    for (const std::string& folder : {base, root, root + "/open"})
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((root + "/locked").c_str(), 0), 0);
    Outcome run = Report("--json --progress " + ShellQuote(root), "", true);
    ASSERT_EQ(::chmod((root + "/locked").c_str(), 0755), 0);
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonObject report = ParseJson(run.out);
    EXPECT_EQ(report["unreadable_folders"].toInt(-1), 1);
    EXPECT_EQ(report["pages"].toArray()[1].toObject()["rows"].toArray().size(), 1);
    EXPECT_NE(run.err.find("(1 folder could not be read)\n"), std::string::npos) << run.err;
}

TEST_F(ReportTest, ARelativeFolderIsReportedWithFullPaths) {
    MakeTree();
    fs::create_directories(root + "/d");
    fs::create_symlink(root + "/a", base + "/link");
    Outcome run = Report("--json --min-folder-mb 1 tree/./d/..//", base);
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonObject report = ParseJson(run.out);
    EXPECT_EQ(report["root"].toString().toStdString(), root);
    for (const auto& page : report["pages"].toArray())
        for (const auto& row : page.toObject()["rows"].toArray())
            EXPECT_EQ(row.toObject()["path"].toString().toStdString().rfind(root + "/", 0), 0u)
                << row.toObject()["path"].toString().toStdString();
    // ".." after a link is the link target's parent, so it is kept, never resolved lexically.
    run = Report("--json link/..", base);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ParseJson(run.out)["root"].toString().toStdString(), base + "/link/..");
}

TEST_F(ReportTest, PathsThatAreNotUtf8CarryTheirExactBytes) {
    MakeTree();
    Outcome run = Report("--json " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonArray files = ParseJson(run.out)["pages"].toArray()[1].toObject()["rows"].toArray();
    int found = 0;
    for (const auto& value : files) {
        QJsonObject row = value.toObject();
        if (!row.contains("path_bytes")) continue;
        ++found;
        QByteArray exact = QByteArray::fromBase64(row["path_bytes"].toString().toLatin1());
        EXPECT_EQ(exact.toStdString(), root + "/c/bad\xff.bin");
        EXPECT_EQ(row["path"].toString(), QString::fromStdString(root + "/c/bad\uFFFD.bin"));
    }
    EXPECT_EQ(found, 1);
}

TEST_F(ReportTest, TextShowsPagesInOrderAndProgressOnRequest) {
    MakeTree();
    Outcome run =
        Report("--progress --min-partial 2 --skip-system-folders=off " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    std::size_t folders = run.out.find("== Largest folders ==");
    std::size_t files = run.out.find("== Largest files ==");
    std::size_t duplicates = run.out.find("== Duplicate files ==");
    std::size_t partial = run.out.find("== Partial duplicate folders ==");
    ASSERT_NE(partial, std::string::npos);
    EXPECT_LT(folders, files);
    EXPECT_LT(files, duplicates);
    EXPECT_LT(duplicates, partial);
    EXPECT_NE(run.out.find("No folders found with greater than 100.0 MB of files"),
              std::string::npos);
    EXPECT_NE(run.out.find("No partial duplicate folders found (with 2 duplicate files or more)"),
              std::string::npos);
    EXPECT_NE(run.out.find("1\tcopy.bin\t" + root + "/a\t2.000000"), std::string::npos);
    EXPECT_NE(run.err.find("Preparing to analyze files: 100% complete\n"), std::string::npos);
    // Nothing was deleted.
    EXPECT_TRUE(fs::exists(root + "/a/copy.bin"));
    EXPECT_TRUE(fs::exists(root + "/b/copy.bin"));
}

TEST_F(ReportTest, BadInputGetsOneLineAndStatusTwo) {
    Write("file.txt", 5, 'x');
    const std::string folder = ShellQuote(root);
    const std::pair<std::string, std::string> cases[] = {
        {"--mode fast " + folder, "--mode"},
        {"--min-file-mb -1 " + folder, "--min-file-mb"},
        {"--min-file-mb 0x10 " + folder, "0x10"},
        {"--min-file-mb=inf " + folder, "inf"},
        {"--min-file-mb nan " + folder, "nan"},
        {"--min-file-mb 1e3 " + folder, "1e3"},
        {"--min-file-mb 5MBs " + folder, "5MBs"},
        {"--min-folder-mb 2P " + folder, "2P"},
        {"--min-folder-mb ' 5' " + folder, "--min-folder-mb"},
        {"--min-folder-mb . " + folder, "--min-folder-mb"},
        {"--min-partial +5 " + folder, "+5"},
        {"--min-partial 0x10 " + folder, "0x10"},
        {"--page everything " + folder, "everything"},
        {"--json=yes " + folder, "--json"},
        {"--min-folder-mb ten " + folder, "--min-folder-mb"},
        {"--min-partial 1 " + folder, "--min-partial"},
        {"--skip-system-folders yes " + folder, "--skip-system-folders"},
        {"--colour " + folder, "--colour"},
        {folder + " --mode", "--mode"},
        {ShellQuote(root + "/missing"), "missing"},
        {ShellQuote(root + "/file.txt"), "file.txt"},
        {"", "FOLDER"},
        {folder + " " + folder, "more than one"},
    };
    for (const auto& [arguments, named] : cases) {
        Outcome run = Report(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
    }
}

TEST_F(ReportTest, SizesTakeUnitsInPowersOf1024AndOnePageCanBePrinted) {
    MakeTree();
    Outcome run = Report("--min-file-mb=1536K --page 'largest FILES' -- " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("== Largest folders =="), std::string::npos);
    EXPECT_EQ(run.out.find("== Duplicate files =="), std::string::npos);
    EXPECT_NE(run.out.find("== Largest files ==\nDisplaying the 2 largest files greater than "
                           "1.5MB"),
              std::string::npos)
        << run.out;

    run = Report("--json --page=duplicates --min-file-mb 0.0019G " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonArray pages = ParseJson(run.out)["pages"].toArray();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].toObject()["page"].toString(), "Duplicate files");
    EXPECT_EQ(pages[0].toObject()["rows"].toArray().size(), 2);

    run = Report("--json --page partial --min-folder-mb 1GiB --min-file-mb 0 " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ParseJson(run.out)["pages"].toArray()[0].toObject()["page"].toString(),
              "Partial duplicate folders");
}

TEST_F(ReportTest, HelpExplainsEveryOption) {
    Outcome run = Report("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* option :
         {"--mode", "--min-file-mb", "--min-folder-mb", "--min-partial", "--skip-system-folders",
          "--photo", "--json", "--progress", "--quiet", "--page", "powers of 1024"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

TEST_F(ReportTest, PhotoModeLooksAtImagesOnly) {
    Write("p/a.JPG", 100, 'x');
    Write("q/a.JPG", 100, 'x');
    Write("p/b.gif", 100, 'x');
    Write("q/b.gif", 100, 'x');
    Write("p/a.JPG.xmp", 50, 's');  // sidecars of equal size are not photos
    Write("q/a.JPG.xmp", 50, 's');
    Outcome run = Report("--json --photo " + ShellQuote(root));
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonArray pages = ParseJson(run.out)["pages"].toArray();
    QJsonArray duplicates = pages[2].toObject()["rows"].toArray();
    ASSERT_EQ(duplicates.size(), 2);
    EXPECT_EQ(duplicates[0].toObject()["cells"].toArray()[1].toString(), "a.JPG");
    EXPECT_EQ(pages[1].toObject()["rows"].toArray().size(), 2);
}

}  // namespace
