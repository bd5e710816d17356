// URL downloads through libcurl: file:// and http:// from a small server on 127.0.0.1 that the test
// runs itself. The target file is replaced only when the whole download succeeded.
#include "Helpers.h"
#include "platform/Services.h"
#include "tests/support/FileFaults.h"
#include "tests/support/Subprocess.h"

#include <arpa/inet.h>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Serves "/hello.txt" and "/big.bin"; everything else is 404. "/cut.bin" announces more bytes than
// it sends and closes the connection (a transfer broken half way).
class TinyHttpServer {
public:
    TinyHttpServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0) return;
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~TinyHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int requests() const { return requests_; }

private:
    void run() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            serve(c);
            ::close(c);
        }
    }
    void serve(int c) {
        std::string req;
        char buf[1024];
        while (req.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) return;
            req.append(buf, static_cast<std::size_t>(n));
        }
        ++requests_;
        const std::size_t sp = req.find(' ');
        const std::string path = req.substr(sp + 1, req.find(' ', sp + 1) - sp - 1);
        std::string head, body;
        if (path == "/hello.txt") {
            body = "HELLO\r\n";
            head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        } else if (path == "/big.bin") {
            for (int i = 0; i < 300000; ++i) body.push_back(static_cast<char>(i * 7));
            head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        } else if (path == "/cut.bin") {
            body = "only a part";
            head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n";
        } else {
            body = "not here";
            head = "HTTP/1.1 404 Not Found\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        }
        const std::string all = head + "Connection: close\r\n\r\n" + body;
        std::size_t sent = 0;
        while (sent < all.size()) {
            const ssize_t n = ::send(c, all.data() + sent, all.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

} // namespace

TEST(Download, FileUrls) {
    bt_test::TempDir dir;
    ASSERT_TRUE(bt_test::writeText(dir.file("src.png"), std::string("\x89PNG\0binary", 11)));
    const std::string target = dir.file("copy.png");
    EXPECT_TRUE(plat::downloadUrl("file://" + dir.file("src.png"), target));
    EXPECT_EQ(bt_test::readText(target), std::string("\x89PNG\0binary", 11));

    ASSERT_TRUE(bt_test::writeText(target, "keep me"));
    EXPECT_FALSE(plat::downloadUrl("file://" + dir.file("missing.png"), target));
    EXPECT_EQ(bt_test::readText(target), "keep me") << "a failed download leaves the old file";
    EXPECT_FALSE(plat::downloadUrl("file://" + dir.file("src.png"), dir.file("no/such/folder/x")));
    EXPECT_FALSE(plat::downloadUrl("", target));
    EXPECT_FALSE(plat::downloadUrl("gopher://127.0.0.1/x", target));
    // No temporary files are left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST(Download, HttpFromALocalServer) {
    support::clearProxySettings();
    TinyHttpServer server;
    ASSERT_GT(server.port(), 0);
    bt_test::TempDir dir;
    const std::string target = dir.file("HELLO");
    EXPECT_TRUE(plat::downloadUrl(server.url("/hello.txt"), target));
    EXPECT_EQ(bt_test::readText(target), "HELLO\r\n");

    EXPECT_TRUE(plat::downloadUrl(server.url("/big.bin"), dir.file("big.bin")));
    const std::string big = bt_test::readText(dir.file("big.bin"));
    ASSERT_EQ(big.size(), 300000u);
    EXPECT_EQ(big[299999], static_cast<char>(299999 * 7));

    ASSERT_TRUE(bt_test::writeText(target, "old"));
    EXPECT_FALSE(plat::downloadUrl(server.url("/missing.png"), target)) << "HTTP 404 is a failure";
    EXPECT_EQ(bt_test::readText(target), "old");
    EXPECT_FALSE(plat::downloadUrl(server.url("/cut.bin"), target)) << "a broken transfer is a failure";
    EXPECT_EQ(bt_test::readText(target), "old");
    {
        // The disk fills up part way (a file size limit holds for root too).
        support::FileSizeLimit limit(100000);
        EXPECT_FALSE(plat::downloadUrl(server.url("/big.bin"), target)) << "a short write is a failure";
    }
    EXPECT_EQ(bt_test::readText(target), "old");
    EXPECT_EQ(server.requests(), 5);
    // A folder in the target's place, or no folder for it: refused before anything is fetched.
    std::filesystem::create_directories(dir.file("taken/inside"));
    EXPECT_FALSE(plat::downloadUrl(server.url("/hello.txt"), dir.file("taken")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken/inside")));
    EXPECT_FALSE(plat::downloadUrl(server.url("/hello.txt"), dir.file("HELLO/x")));
    EXPECT_EQ(server.requests(), 5);
    std::filesystem::remove_all(dir.file("taken"));
    // Replaced, not written in place: a hard link keeps the old content.
    ASSERT_TRUE(support::hardLink(target, dir.file("link")));
    EXPECT_TRUE(plat::downloadUrl(server.url("/hello.txt"), target));
    EXPECT_EQ(bt_test::readText(target), "HELLO\r\n");
    EXPECT_EQ(bt_test::readText(dir.file("link")), "old");
    EXPECT_EQ(support::folderEntries(dir.path()), (std::vector<std::string>{"HELLO", "big.bin", "link"}));
}

TEST(Download, NobodyListening) {
    support::clearProxySettings();
    // A port of our own that nobody listens on: bound (so no one else takes it) but not listening,
    // the connection is refused at once.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const int port = ntohs(a.sin_port);
    bt_test::TempDir dir;
    EXPECT_FALSE(plat::downloadUrl("http://127.0.0.1:" + std::to_string(port) + "/x", dir.file("x")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
    EXPECT_TRUE(support::folderEntries(dir.path()).empty());
    ::close(fd);
}
