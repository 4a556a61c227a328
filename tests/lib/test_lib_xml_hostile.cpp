// Broken and hostile files: each fails cleanly with a one-line reason, or reads without harm.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "Lib_xml.h"
#include "temp_dir.h"

namespace {

std::string load_error(const std::string& path) {
    myXMLdocument doc;
    const Xml_element root = xml_load_file(path.c_str(), &doc);
    EXPECT_FALSE(root) << path;
    EXPECT_FALSE(doc.error_text().empty()) << path;
    EXPECT_EQ(doc.error_text().find('\n'), std::string::npos);
    return doc.error_text();
}

} // namespace

TEST(XmlHostile, MissingFileAndFolderNameTheReason) {
    Temp_dir dir;
    EXPECT_EQ(load_error(dir.file("absent.xml")), "No such file or directory");
    EXPECT_EQ(load_error(dir.path().string()), "it is a folder, not a file");
}

TEST(XmlHostile, EmptyBinaryAndTruncatedFilesGiveLineAndColumn) {
    Temp_dir dir;
    EXPECT_NE(load_error(dir.write("empty.xml", "")).find("line 1, column 1"), std::string::npos);
    EXPECT_NE(load_error(dir.write("lt.xml", "<")).find("line 1"), std::string::npos);
    const std::string comment = load_error(dir.write("c.xml", "<R>\n\n  <!-- never closed\n</R>"));
    EXPECT_NE(comment.find("line 4"), std::string::npos) << comment;
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    load_error(dir.write("bin.xml", binary));
    const std::string cut =
        load_error(dir.write("cut.xml", "<SETUP>\r\n\t<STATIONS>\r\n\t\t<STATION id=\"1"));
    EXPECT_NE(cut.find("line 3"), std::string::npos) << cut;
}

// The parse writes its terminators over the line break that ends an element's or an attribute's name; the
// line of an error is counted on the file's own bytes all the same, also past the first megabyte.
TEST(XmlHostile, LineBreaksThatEndNamesStillCount) {
    Temp_dir dir;
    const std::string names = load_error(dir.write("n.xml", "<SETUP\nv\n='1'>\n<X\ny='2'/>\n</SETUP>\n<"));
    EXPECT_NE(names.find("line 7, column 1"), std::string::npos) << names;
    std::string big = "<SETUP>\n";
    for (int i = 0; i < 40000; ++i)
        big += "<STATION\nid='" + std::to_string(i) + "'/>\n";
    const std::string far = load_error(dir.write("far.xml", big + "<STATION id='x' id/>"));
    EXPECT_NE(far.find("line 80002, column "), std::string::npos) << far;
}

TEST(XmlHostile, EmptyNumericReferenceReadsAsItStands) {
    Temp_dir dir;
    myXMLdocument doc;
    const Xml_element root = xml_load_file(dir.write("r.xml", "<a b='&#x;'/>").c_str(), &doc);
    ASSERT_TRUE(root);
    EXPECT_EQ(*xml_attribute_text(root, "b"), "&#x;");
}

TEST(XmlHostile, AMillionLevelsDeepReadsWithoutHarm) {
    Temp_dir dir;
    const int depth = 1000000;
    std::string xml;
    xml.reserve(depth * 7 + 16);
    for (int i = 0; i < depth; ++i)
        xml += "<a>";
    for (int i = 0; i < depth; ++i)
        xml += "</a>";
    myXMLdocument doc;
    Xml_element node = xml_load_file(dir.write("deep.xml", xml).c_str(), &doc);
    ASSERT_TRUE(node) << doc.error_text();
    int levels = 0;
    while (node) {
        ++levels;
        node = xml_first_child_element(node);
    }
    EXPECT_EQ(levels, depth);
}

TEST(XmlHostile, AFileLargerThanMemoryAllowsIsRefusedBeforeReading) {
    Temp_dir dir;
    const std::string path = dir.file("huge.xml");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    // A sparse file just over the limit (a quarter of the physical memory): nothing is allocated for it,
    // the size alone refuses it.
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(myXMLdocument::size_limit() + 1)), 0);
    const std::string reason = load_error(path);
    EXPECT_NE(reason.find("too large"), std::string::npos) << reason;

    const unsigned long long saved = myXMLdocument::size_limit();
    myXMLdocument::set_size_limit(10);
    EXPECT_NE(load_error(dir.write("small.xml", "<R a='12345'/>")).find("too large"), std::string::npos);
    myXMLdocument::set_size_limit(saved);
}

TEST(XmlHostile, AFileWhoseTreeWouldExhaustMemoryIsRefused) {
    // Empty elements take many times their file's size once parsed: the size of the file alone does
    // not bound the memory a read takes, the count of the tree's own memory does.
    Temp_dir dir;
    std::string xml = "<R>";
    for (int i = 0; i < 100000; ++i)
        xml += "<a/>";
    xml += "</R>";
    const std::string path = dir.write("dense.xml", xml);
    const unsigned long long saved = myXMLdocument::tree_limit();
    myXMLdocument::set_tree_limit(xml.size() * 2);
    const std::string reason = load_error(path);
    EXPECT_NE(reason.find("not enough memory"), std::string::npos) << reason;
    // The failed parse gave back all it took: a small file reads under the same limit.
    EXPECT_EQ(myXMLdocument::tree_bytes_in_use(), 0u);
    {
        myXMLdocument doc;
        EXPECT_TRUE(xml_load_file(dir.write("small.xml", "<R><a/></R>").c_str(), &doc)) << doc.error_text();
    }
    myXMLdocument::set_tree_limit(saved);
    myXMLdocument doc;
    EXPECT_TRUE(xml_load_file(path.c_str(), &doc)) << doc.error_text();
    EXPECT_GT(myXMLdocument::tree_bytes_in_use(), xml.size() * 2);
}

TEST(XmlHostile, UnreadableFileGivesTheSystemReason) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    Temp_dir dir;
    const std::string path = dir.write("locked.xml", "<R/>");
    chmod(path.c_str(), 0);
    EXPECT_EQ(load_error(path), "Permission denied");
}

TEST(XmlHostile, ALoadAfterAFailureStartsClean) {
    Temp_dir dir;
    myXMLdocument doc;
    EXPECT_FALSE(xml_load_file(dir.write("bad.xml", "<R>").c_str(), &doc));
    EXPECT_FALSE(doc.error_text().empty());
    const Xml_element root = xml_load_file(dir.write("good.xml", "<S/>").c_str(), &doc);
    ASSERT_TRUE(root);
    EXPECT_STREQ(xml_element_name(root), "S");
    EXPECT_EQ(doc.error_text(), "");
}
