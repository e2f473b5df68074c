#include "index/headless_chromium.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "support/json_text.hpp"

namespace tg::test {

// The ids and the values read here carry no quote or backslash (values come percent-encoded).
std::string jsonStringField(const std::string& message, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  const std::size_t at = message.find(key);
  if (at == std::string::npos) return {};
  return message.substr(at + key.size(), message.find('"', at + key.size()) - at - key.size());
}

std::string HeadlessChromium::program() {
  return ::access("/usr/bin/chromium", X_OK) == 0 ? "/usr/bin/chromium" : "";
}

HeadlessChromium::HeadlessChromium(std::chrono::milliseconds timeout) : m_timeout(timeout) {
  const std::string chromium = program();
  if (chromium.empty()) throw std::runtime_error("chromium is not installed");
  // A browser that died must fail a write, not end the test program.
  ::signal(SIGPIPE, SIG_IGN);
  int toBrowser[2];
  int fromBrowser[2];
  if (::pipe2(toBrowser, O_CLOEXEC) != 0 || ::pipe2(fromBrowser, O_CLOEXEC) != 0)
    throw std::runtime_error("no pipes for chromium");
  std::vector<std::string> arguments = {chromium, "--user-data-dir=" + m_profile.folder()};
  for (const char* flag :
       {"--headless", "--disable-gpu", "--remote-debugging-pipe", "--no-first-run",
        "--no-default-browser-check", "--disable-extensions", "--disable-background-networking",
        "--disable-sync", "--disable-dev-shm-usage", "--no-proxy-server", "--mute-audio",
        "--hide-scrollbars", "--window-size=1100,720"})
    arguments.emplace_back(flag);
  // Root has no user namespace sandbox to drop into.
  if (::geteuid() == 0) arguments.emplace_back("--no-sandbox");
  arguments.emplace_back("about:blank");
  std::vector<char*> argv;
  for (auto& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string logPath = m_profile.folder() + "chromium.log";

  // The browser's ends go to fds 3 and 4; copies above them first, so no dup2 clobbers the other.
  const int browserIn = ::fcntl(toBrowser[0], F_DUPFD_CLOEXEC, 10);
  const int browserOut = ::fcntl(fromBrowser[1], F_DUPFD_CLOEXEC, 10);
  m_pid = ::fork();
  if (m_pid < 0) throw std::runtime_error("cannot start chromium");
  if (m_pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::setpgid(0, 0);
    ::dup2(browserIn, 3);
    ::dup2(browserOut, 4);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (log >= 0) {
      ::dup2(log, 1);
      ::dup2(log, 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::setpgid(m_pid, m_pid);
  for (const int end : {toBrowser[0], fromBrowser[1], browserIn, browserOut})
    ::close(end);
  m_toBrowser = toBrowser[1];
  m_fromBrowser = fromBrowser[0];
  // The first answer shows that the browser listens.
  call("Browser.getVersion", "{}");
}

HeadlessChromium::~HeadlessChromium() {
  if (m_pid > 0) {
    const char message[] = "{\"id\":0,\"method\":\"Browser.close\"}";
    (void)!::write(m_toBrowser, message, sizeof message);  // the NUL ends the message
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(m_pid, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // A browser that did not close in time, and helpers of it that outlived it, go too.
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  if (m_toBrowser >= 0) ::close(m_toBrowser);
  if (m_fromBrowser >= 0) ::close(m_fromBrowser);
}

std::string HeadlessChromium::readMessage(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const std::size_t end = m_pending.find('\0');
    if (end != std::string::npos) {
      std::string message = m_pending.substr(0, end);
      m_pending.erase(0, end + 1);
      return message;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw std::runtime_error("chromium did not answer in time");
    pollfd poller{m_fromBrowser, POLLIN, 0};
    if (::poll(&poller, 1, int(left.count())) <= 0) continue;  // EINTR or the deadline
    char buffer[65536];
    const ssize_t got = ::read(m_fromBrowser, buffer, sizeof buffer);
    if (got <= 0) throw std::runtime_error("chromium closed its pipe");
    m_pending.append(buffer, std::size_t(got));
  }
}

std::string HeadlessChromium::call(const std::string& method, const std::string& params,
                                   const std::string& session) {
  const long id = m_nextId++;
  const std::string message =
      "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params +
      (session.empty() ? "" : ",\"sessionId\":\"" + session + "\"") + std::string("}\0", 2);
  for (std::size_t sent = 0; sent < message.size();) {
    const ssize_t wrote = ::write(m_toBrowser, message.data() + sent, message.size() - sent);
    if (wrote <= 0) throw std::runtime_error("cannot write to chromium");
    sent += std::size_t(wrote);
  }
  const auto deadline = std::chrono::steady_clock::now() + m_timeout;
  const std::string prefix = "{\"id\":" + std::to_string(id) + ",";
  for (;;) {
    std::string reply = readMessage(deadline);
    if (!reply.starts_with(prefix)) continue;  // an event or an older answer
    if (reply.find("\"error\":{") == prefix.size())
      throw std::runtime_error(method + " failed: " + reply);
    return reply;
  }
}

void HeadlessChromium::open(const std::string& url) {
  const std::string created = call("Target.createTarget", "{\"url\":" + jsonString(url) + "}");
  const std::string target = jsonStringField(created, "targetId");
  const std::string attached =
      call("Target.attachToTarget", "{\"targetId\":\"" + target + "\",\"flatten\":true}");
  m_session = jsonStringField(attached, "sessionId");
  if (m_session.empty()) throw std::runtime_error("no session: " + attached);
}

std::string HeadlessChromium::evaluate(const std::string& expression) {
  const std::string wrapped =
      "(async () => encodeURIComponent(String(await (" + expression + "))))()";
  const std::string reply = call(
      "Runtime.evaluate",
      "{\"expression\":" + jsonString(wrapped) + ",\"awaitPromise\":true,\"returnByValue\":true}",
      m_session);
  if (reply.find("\"exceptionDetails\"") != std::string::npos)
    throw std::runtime_error("JavaScript failed: " + reply);
  const std::string encoded = jsonStringField(reply, "value");
  std::string value;  // the UTF-8 bytes of the value
  for (std::size_t at = 0; at < encoded.size(); ++at) {
    if (encoded[at] != '%') {
      value += encoded[at];
    } else {
      value += char(std::stoi(encoded.substr(at + 1, 2), nullptr, 16));
      at += 2;
    }
  }
  return value;
}

bool HeadlessChromium::waitFor(const std::string& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      if (evaluate(condition) == "true") return true;
    } catch (const std::runtime_error&) {
      // The page may still be loading.
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace tg::test
