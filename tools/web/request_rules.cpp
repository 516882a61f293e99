#include "web/request_rules.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace web
{
namespace
{

int hex_value(char c)
{
  if (c >= '0' && c <= '9') {return c - '0';}
  if (c >= 'a' && c <= 'f') {return c - 'a' + 10;}
  if (c >= 'A' && c <= 'F') {return c - 'A' + 10;}
  return -1;
}

// Percent-decodes `text`; false on a broken escape.
bool percent_decode(const std::string & text, std::string & out, bool plus_is_space)
{
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      if (i + 2 >= text.size()) {
        return false;
      }
      const int high = hex_value(text[i + 1]);
      const int low = hex_value(text[i + 2]);
      if (high < 0 || low < 0) {
        return false;
      }
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else {
      out.push_back(plus_is_space && text[i] == '+' ? ' ' : text[i]);
    }
  }
  return true;
}

std::string content_type(const std::string & name)
{
  const auto dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (extension == "html") {return "text/html; charset=utf-8";}
  if (extension == "js") {return "text/javascript; charset=utf-8";}
  if (extension == "css") {return "text/css; charset=utf-8";}
  if (extension == "png") {return "image/png";}
  if (extension == "svg") {return "image/svg+xml";}
  if (extension == "ico") {return "image/x-icon";}
  return "application/octet-stream";
}

Answer refuse(int status, const std::string & reason)
{
  Answer answer;
  answer.status = status;
  answer.reason = reason;
  return answer;
}

}  // namespace

PageFiles read_page_files(const std::string & folder)
{
  PageFiles files;
  DIR * directory = opendir(folder.c_str());
  if (directory == nullptr) {
    throw std::runtime_error("cannot read the page's folder " + folder);
  }
  while (const dirent * entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') {
      continue;
    }
    // O_NOFOLLOW and fstat: a symbolic link or anything but a regular file is left out.
    const int fd = open((folder + "/" + name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    if (fd < 0) {
      continue;
    }
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > (16 << 20)) {
      close(fd);
      continue;
    }
    auto body = std::make_shared<std::string>(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    while (done < body->size()) {
      const ssize_t got = read(fd, &(*body)[done], body->size() - done);
      if (got <= 0) {
        break;
      }
      done += static_cast<std::size_t>(got);
    }
    close(fd);
    body->resize(done);
    files["/" + name] = PageFile{content_type(name), std::move(body)};
  }
  closedir(directory);
  const auto index = files.find("/index.html");
  if (index == files.end()) {
    throw std::runtime_error("the page's folder " + folder + " has no index.html");
  }
  files["/"] = index->second;
  return files;
}

bool decode_path(const std::string & target, std::string & path)
{
  if (target.empty() || target[0] != '/' || target.size() > kMaxTargetBytes) {
    return false;
  }
  const std::string raw = target.substr(0, target.find('?'));
  // An encoded separator is refused before decoding: "%2F" never becomes a folder step.
  for (std::size_t i = 0; i + 2 < raw.size(); ++i) {
    if (raw[i] == '%' && raw[i + 1] == '2' && (raw[i + 2] == 'f' || raw[i + 2] == 'F')) {
      return false;
    }
    if (raw[i] == '%' && raw[i + 1] == '5' && (raw[i + 2] == 'c' || raw[i + 2] == 'C')) {
      return false;
    }
  }
  if (!percent_decode(raw, path, false)) {
    return false;
  }
  for (const char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') {
      return false;
    }
  }
  // No segment may be "." or "..".
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) {
      end = path.size();
    }
    const std::string segment = path.substr(start, end - start);
    if (segment == "." || segment == "..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::string query_value(const std::string & target, const std::string & name)
{
  const auto question = target.find('?');
  if (question == std::string::npos) {
    return {};
  }
  std::size_t start = question + 1;
  while (start <= target.size()) {
    std::size_t end = target.find('&', start);
    if (end == std::string::npos) {
      end = target.size();
    }
    const std::string pair = target.substr(start, end - start);
    const auto equals = pair.find('=');
    if (pair.substr(0, equals) == name) {
      std::string value;
      if (equals != std::string::npos && percent_decode(pair.substr(equals + 1), value, true)) {
        return value;
      }
      return {};
    }
    start = end + 1;
  }
  return {};
}

bool same_secret(const std::string & a, const std::string & b)
{
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
  }
  return difference == 0;
}

bool loopback_host(const std::string & host, uint16_t port)
{
  const std::string suffix = ":" + std::to_string(port);
  for (const char * name : {"127.0.0.1", "localhost", "[::1]"}) {
    if (host == std::string(name) + suffix || (port == 80 && host == name)) {
      return true;
    }
  }
  return false;
}

Answer answer(const Request & request, const Policy & policy, const PageFiles & files)
{
  if (request.fields > kMaxFields) {
    return refuse(431, "too many header fields");
  }
  if (request.method != "GET" && request.method != "HEAD") {
    return refuse(405, "only GET");
  }
  std::string path;
  if (!decode_path(request.target, path)) {
    return refuse(400, "not a plain path");
  }
  if (request.host.empty() || (policy.loopback && !loopback_host(request.host, policy.port))) {
    return refuse(403, "this server answers to its loopback address only");
  }
  if (!policy.token.empty()) {
    const std::string bearer = "Bearer ";
    const std::string given = request.authorization.rfind(bearer, 0) == 0 ?
      request.authorization.substr(bearer.size()) : query_value(request.target, "token");
    if (!same_secret(given, policy.token)) {
      return refuse(401, "the token is missing or wrong");
    }
  }
  if (path == "/ws") {
    if (!request.websocket) {
      return refuse(400, "a WebSocket only");
    }
    // A page from another site must not read the streams: only this server's own page.
    if (request.origin != "http://" + request.host) {
      return refuse(403, "wrong Origin");
    }
    Answer upgrade;
    upgrade.status = 101;
    upgrade.open_websocket = true;
    return upgrade;
  }
  const auto file = files.find(path);
  if (file == files.end()) {
    return refuse(404, "no such file");
  }
  Answer found;
  found.status = 200;
  found.file = &file->second;
  return found;
}

}  // namespace web
