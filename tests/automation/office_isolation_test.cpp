// The helper's office against a real LibreOffice, as a reader of untrusted
// documents: it fetches and reads nothing a document only links to, turns
// every question it would ask into an error, words its failures for the
// user, and leaves neither profile nor pipe sockets behind.
#include "automation/office_bridge_server.h"
#include "office/office_location.h"
#include "office/office_leftovers.h"
#include "tests/automation/office_processes.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <set>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A .docx is a zip: this writes one with stored (uncompressed) entries.
// `damaged`: the entry claims to be deflated, and its bytes are no deflate
// stream, as in a damaged download.
class Zip_Writer {
public:
    void Add(const std::string& name, const std::string& data, bool damaged = false)
    {
        std::uint32_t crc = Crc32(data);
        int method = damaged ? 8 : 0;
        std::string local = "PK\3\4";
        Put(local, 20, 2), Put(local, 0, 2), Put(local, method, 2), Put(local, 0, 4);
        Put(local, crc, 4), Put(local, data.size(), 4), Put(local, data.size(), 4);
        Put(local, name.size(), 2), Put(local, 0, 2);
        std::string entry = "PK\1\2";
        Put(entry, 20, 2), Put(entry, 20, 2), Put(entry, 0, 2), Put(entry, method, 2);
        Put(entry, 0, 4);
        Put(entry, crc, 4), Put(entry, data.size(), 4), Put(entry, data.size(), 4);
        Put(entry, name.size(), 2), Put(entry, 0, 2), Put(entry, 0, 2), Put(entry, 0, 2);
        Put(entry, 0, 2), Put(entry, 0, 4), Put(entry, body.size(), 4);
        directory += entry + name;
        body += local + name + data;
        ++count;
    }

    std::string Bytes() const
    {
        std::string end = "PK\5\6";
        Put(end, 0, 2), Put(end, 0, 2), Put(end, count, 2), Put(end, count, 2);
        Put(end, directory.size(), 4), Put(end, body.size(), 4), Put(end, 0, 2);
        return body + directory + end;
    }

private:
    static void Put(std::string& out, std::uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
    static std::uint32_t Crc32(const std::string& data)
    {
        std::uint32_t crc = 0xffffffffu;
        for (unsigned char c : data) {
            crc ^= c;
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    }
    std::string body, directory;
    int count = 0;
};

// A one-paragraph .docx with a linked (not embedded) picture per target.
std::string Docx_Linking_To(const std::vector<std::string>& targets, bool broken = false)
{
    std::string types =
        R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)";
    std::string package_rels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";
    std::string rels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    std::string pictures;
    for (size_t i = 0; i < targets.size(); ++i) {
        std::string id = "rIdL" + std::to_string(i);
        rels +=
            R"(<Relationship Id=")" + id +
            R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target=")" +
            targets[i] + R"(" TargetMode="External"/>)";
        std::string n = std::to_string(i + 1);
        pictures +=
            R"(<w:p><w:r><w:drawing><wp:inline><wp:extent cx="952500" cy="952500"/><wp:docPr id=")" +
            n + R"(" name="Picture )" + n +
            R"("/><a:graphic xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:nvPicPr><pic:cNvPr id=")" +
            n + R"(" name="p"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:link=")" + id +
            R"("/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="952500" cy="952500"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>)";
    }
    rels += "</Relationships>";
    std::string document =
        R"(<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"><w:body><w:p><w:r><w:t>Pictures by reference</w:t></w:r></w:p>)" +
        pictures + "</w:body></w:document>";
    Zip_Writer zip;
    zip.Add("[Content_Types].xml", types);
    zip.Add("_rels/.rels", package_rels);
    zip.Add("word/_rels/document.xml.rels", rels);
    zip.Add("word/document.xml", document, broken);
    return zip.Bytes();
}

// An HTTP listener on 127.0.0.1 that counts the connections made to it and
// answers none of them.
class Counting_Listener {
public:
    Counting_Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd, 16) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port = ntohs(address.sin_port);
        worker = std::thread([this] {
            while (!stop) {
                pollfd entry{fd, POLLIN, 0};
                if (poll(&entry, 1, 100) == 1) {
                    int client = accept(fd, nullptr, nullptr);
                    if (client >= 0) {
                        ++connections;
                        close(client);
                    }
                }
            }
        });
    }
    ~Counting_Listener()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        close(fd);
    }
    // Connects once itself: the count must see it, or a zero proves nothing.
    void Self_Check()
    {
        int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        close(client);
        for (int i = 0; i < 100 && connections == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int port = 0;
    std::atomic<int> connections{0};

private:
    int fd = -1;
    std::atomic<bool> stop{false};
    std::thread worker;
};

// Counts the opens of one file (inotify).
class Open_Watch {
public:
    explicit Open_Watch(const std::string& file)
    {
        fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(fd, file.c_str(), IN_OPEN | IN_ACCESS);
    }
    ~Open_Watch() { close(fd); }
    int Events()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            for (char* at = buffer; at < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                ++events;
                at += sizeof(inotify_event) + event->len;
            }
        return events;
    }

private:
    int fd = -1;
    int events = 0;
};

std::unique_ptr<T_Office_Channel> Start(const test::Scratch_Dir& folder)
{
    std::string error;
    auto office =
        Start_Office_Helper(VARNOLT_OFFICE_HELPER, folder.Str(), office_location::Find_Soffice(),
                            false, error, std::chrono::seconds(90));
    EXPECT_TRUE(office) << error;
    return office;
}

// What the helper answered: the text of its error, "" when it was OK.
std::string Refusal(T_Office_Channel& office, const std::vector<std::string>& request)
{
    try {
        office.Request(request);
    } catch (const T_Server_Exception& failure) {
        return failure.what();
    }
    return {};
}

bool Plain(const std::string& text)
{
    for (const char* inside : {"URP", "bridge", ".cxx", "com.sun.star", "uno"})
        if (text.find(inside) != std::string::npos)
            return false;
    return true;
}

TEST(Office_Isolation, LinkedPicturesAreNeitherFetchedNorRead)
{
    Counting_Listener listener;
    ASSERT_NE(listener.port, 0);
    test::Scratch_Dir folder, documents, elsewhere;
    std::string outside = elsewhere / "outside.png";
    test::Write_File(outside, test::Read_File(VARNOLT_TEST_DATA "/office/nwe_test10.docx"));
    Open_Watch watch(outside);
    std::string url = "http://127.0.0.1:" + std::to_string(listener.port) + "/linked.png";
    std::string relative = "../" + elsewhere.Path.filename().string() + "/outside.png";
    test::Write_File(documents / "linked.docx",
                     Docx_Linking_To({url, "file://" + outside, relative}));

    auto office = Start(folder);
    ASSERT_TRUE(office);
    std::vector<std::string> opened = office->Request({"OPENTEXT", documents / "linked.docx"});
    ASSERT_EQ(opened.size(), 1u);
    office->Request({"CLOSE", opened[0]});
    office->Close();

    EXPECT_EQ(listener.connections, 0);
    EXPECT_EQ(watch.Events(), 0);
    // Both witnesses work: they see what is done to them.
    listener.Self_Check();
    EXPECT_EQ(listener.connections, 1);
    test::Read_File(outside);
    EXPECT_GT(watch.Events(), 0);
}

TEST(Office_Isolation, ADamagedDocumentIsAPlainErrorAndTheOfficeGoesOn)
{
    test::Scratch_Dir folder, documents;
    test::Write_File(documents / "broken.docx", Docx_Linking_To({}, true));
    test::Write_File(documents / "sound.docx", Docx_Linking_To({}));
    auto office = Start(folder);
    ASSERT_TRUE(office);
    // A dialog asking whether to repair would wait until the request's
    // timeout, and the answer would be the timeout's.
    std::string refusal = Refusal(*office, {"OPENTEXT", documents / "broken.docx"});
    EXPECT_NE(refusal.find("broken.docx"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("damaged"), std::string::npos) << refusal;
    EXPECT_TRUE(Plain(refusal)) << refusal;
    EXPECT_EQ(office->Request({"OPENTEXT", documents / "sound.docx"}).size(), 1u);
    office->Close();
}

TEST(Office_Isolation, AKilledOfficeIsAPlainErrorAndLeavesNothingBehind)
{
    test::Scratch_Dir folder;
    auto office = Start(folder);
    ASSERT_TRUE(office);
    std::string doc = office->Request({"OPEN", VARNOLT_TEST_DATA "/office/test1.vsdx"}).at(0);
    EXPECT_FALSE(fs::is_empty(folder.Path)); // the office's profile is there
    std::vector<pid_t> processes = test::Processes_Mentioning(folder.Str(), 0);
    ASSERT_FALSE(processes.empty());
    // The sockets of this office's pipes (other tests' offices may come and
    // go meanwhile).
    const std::vector<std::string> sockets =
        office_leftovers::Pipe_Sockets_Of(getpgid(processes.front()));
    EXPECT_FALSE(sockets.empty());
    for (pid_t pid : processes)
        kill(pid, SIGKILL);
    std::string refusal = Refusal(*office, {"EXPORT", doc, "0", folder / "page.png"});
    EXPECT_NE(refusal.find("LibreOffice stopped"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("test1.vsdx"), std::string::npos) << refusal;
    EXPECT_TRUE(Plain(refusal)) << refusal;
    office->Close();

    EXPECT_TRUE(fs::is_empty(folder.Path));
    for (const std::string& socket : sockets)
        EXPECT_FALSE(fs::exists(socket)) << socket << " was left behind";
}

} // namespace
