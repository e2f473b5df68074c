// Headless Chromium driven over its DevTools pipe (fd 3 in, fd 4 out, messages ended by NUL): open
// a page and run JavaScript in it. Every wait has a deadline; the browser and its children are
// killed when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "support/test_environment.hpp"

namespace tg::test {

class HeadlessChromium {
 public:
  // The installed Chromium program, or empty when there is none.
  static std::string program();

  // Starts the browser; std::runtime_error when it does not answer in time.
  explicit HeadlessChromium(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  ~HeadlessChromium();
  HeadlessChromium(const HeadlessChromium&) = delete;
  HeadlessChromium& operator=(const HeadlessChromium&) = delete;

  // Opens the address in a new tab and makes it the tab the other members work on.
  void open(const std::string& url);
  // Runs an expression (a promise is awaited) in the tab and returns its value as text;
  // std::runtime_error on a JavaScript exception or a timeout.
  std::string evaluate(const std::string& expression);
  // Evaluates `condition` until it is "true"; false once the timeout passed.
  bool waitFor(const std::string& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(15));

 private:
  // Sends a command (to the tab when `session` is not empty) and returns the reply's text.
  std::string call(const std::string& method, const std::string& params,
                   const std::string& session = {});
  std::string readMessage(std::chrono::steady_clock::time_point deadline);

  std::chrono::milliseconds m_timeout;
  TemporaryFolder m_profile;
  pid_t m_pid = -1;
  int m_toBrowser = -1;
  int m_fromBrowser = -1;
  long m_nextId = 1;
  std::string m_pending;  // bytes read past the last message
  std::string m_session;
};

// The text of a JSON string field `"name":"..."` that holds no escapes; empty when missing.
std::string jsonStringField(const std::string& message, const std::string& name);

}  // namespace tg::test
