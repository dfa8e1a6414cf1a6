// A small HTTP server on 127.0.0.1 inside the test process: one reply for
// every request (or one per path), in the ways real servers fail (an error status, no
// Content-Length, a short body, a stall before or inside the answer).
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HttpReply {
    int status = 200;
    std::string body;
    // Content-Length sent: -1 the body's size, -2 none (the end of the body
    // is the end of the connection), otherwise this number.
    long long announce = -1;
    bool stallBeforeHead = false;   // accept, read the request, never answer
    long long stallAfterBytes = -1; // send the head and this many body bytes, then wait
    std::function<void()> onRequest; // runs on the server's thread before the answer
};

class LoopbackHttp {
public:
    // reply answers every request, or those whose path routes does not name.
    explicit LoopbackHttp(HttpReply reply, std::map<std::string, HttpReply> routes = {})
        : reply_(std::move(reply)), routes_(std::move(routes)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        listen(listener_, 8);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~LoopbackHttp() {
        SetEvent(stop_);
        closesocket(listener_);
        acceptor_.join();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (SOCKET s : open_) shutdown(s, SD_BOTH);
        }
        for (auto& t : workers_) t.join();
        for (SOCKET s : open_) closesocket(s);
        CloseHandle(stop_);
        WSACleanup();
    }
    LoopbackHttp(const LoopbackHttp&) = delete;
    LoopbackHttp& operator=(const LoopbackHttp&) = delete;

    // "http://127.0.0.1:<port>" (scheme and host, no trailing slash).
    std::wstring Base() const { return L"http://127.0.0.1:" + std::to_wstring(port_); }
    std::wstring Url(const std::wstring& path) const { return Base() + path; }

    // The request targets received so far ("/path?query").
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    // A port on which nothing listens (bound and closed again).
    static std::wstring ClosedBase() {
        LoopbackHttp probe(HttpReply{});
        return probe.Base();
    }

private:
    void AcceptLoop() {
        for (;;) {
            SOCKET s = accept(listener_, nullptr, nullptr);
            if (s == INVALID_SOCKET) return;
            std::lock_guard<std::mutex> lock(mutex_);
            open_.push_back(s);
            workers_.emplace_back([this, s] { Serve(s); });
        }
    }

    void Serve(SOCKET s) {
        std::string head;
        char c;
        while (head.find("\r\n\r\n") == std::string::npos && recv(s, &c, 1, 0) == 1) head += c;
        std::string target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const size_t a = head.find(' '), b = head.find(' ', a + 1);
            if (a != std::string::npos && b != std::string::npos) {
                target = head.substr(a + 1, b - a - 1);
                requests_.push_back(target);
            }
        }
        const auto route = routes_.find(target.substr(0, target.find('?')));
        const HttpReply& reply = route != routes_.end() ? route->second : reply_;
        if (reply.onRequest) reply.onRequest();
        if (reply.stallBeforeHead) {
            WaitForSingleObject(stop_, INFINITE);
        } else {
            std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\nConnection: close\r\n";
            const long long length = reply.announce == -1 ? static_cast<long long>(reply.body.size()) : reply.announce;
            if (reply.announce != -2) out += "Content-Length: " + std::to_string(length) + "\r\n";
            out += "\r\n";
            const size_t sent = reply.stallAfterBytes >= 0 ? static_cast<size_t>(reply.stallAfterBytes) : reply.body.size();
            out += reply.body.substr(0, sent);
            SendAll(s, out);
            if (reply.stallAfterBytes >= 0) WaitForSingleObject(stop_, INFINITE);
        }
        shutdown(s, SD_SEND);  // the end of the body when no length was announced
    }

    static void SendAll(SOCKET s, const std::string& data) {
        for (size_t at = 0; at < data.size();) {
            const int n = send(s, data.data() + at, static_cast<int>(data.size() - at), 0);
            if (n <= 0) return;
            at += static_cast<size_t>(n);
        }
    }

    HttpReply reply_;
    std::map<std::string, HttpReply> routes_;  // by path, without the query
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE stop_ = nullptr;
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<SOCKET> open_;
    std::vector<std::thread> workers_;
    std::vector<std::string> requests_;
};
