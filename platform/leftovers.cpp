#include "platform/leftovers.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

namespace gridlet::leftovers {

namespace {

struct Record {
  std::recursive_mutex mutex;
  std::set<pid_t> groups;
  std::map<std::string, Kind> paths;
};

Record& TheRecord() {
  // Never destroyed: a signal may end the process while static objects go.
  static Record* record = new Record;
  return *record;
}

// Whether a process other than the given one, and not yet ended, belongs
// to the process group.
bool GroupHasLiveMembers(pid_t group, pid_t except) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == except) continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) continue;
    char buffer[1024];
    const std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    buffer[length] = '\0';
    // pid (name) state ppid pgrp ...: the name may hold anything, so the
    // fields are read after its last parenthesis.
    const char* close = std::strrchr(buffer, ')');
    char state = 0;
    long parent = 0;
    long processGroup = 0;
    if (close && std::sscanf(close + 1, " %c %ld %ld", &state, &parent, &processGroup) == 3 &&
        processGroup == group && state != 'Z' && state != 'X') {
      found = true;
      break;
    }
  }
  ::closedir(proc);
  return found;
}

void RemovePathNow(const std::string& path, Kind kind) {
  struct stat info{};
  if (::lstat(path.c_str(), &info) != 0) return;
  switch (kind) {
    case Kind::File:
      ::unlink(path.c_str());
      break;
    case Kind::Socket:
      if (S_ISSOCK(info.st_mode)) ::unlink(path.c_str());
      break;
    case Kind::Folder: {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
      break;
    }
  }
}

}  // namespace

std::unique_lock<std::recursive_mutex> Hold() { return std::unique_lock(TheRecord().mutex); }

void AddProcessGroup(pid_t group) {
  auto lock = Hold();
  TheRecord().groups.insert(group);
}

void RemoveProcessGroup(pid_t group) {
  auto lock = Hold();
  TheRecord().groups.erase(group);
}

void AddPath(const std::string& path, Kind kind) {
  auto lock = Hold();
  TheRecord().paths[path] = kind;
}

void RemovePath(const std::string& path) {
  auto lock = Hold();
  TheRecord().paths.erase(path);
}

void KillProcessGroup(pid_t leader) {
  // Its members may still be starting others, so kill until none is left
  // (a killed process takes a moment to go).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    ::kill(-leader, SIGKILL);
    if (!GroupHasLiveMembers(leader, leader)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
}

void RemoveAll() {
  Record& record = TheRecord();
  record.mutex.lock();  // kept: the process ends next
  for (pid_t group : record.groups) ::kill(-group, SIGKILL);
  for (pid_t group : record.groups) KillProcessGroup(group);
  // Sockets and files before the folders that may hold them.
  for (const auto& [path, kind] : record.paths) {
    if (kind != Kind::Folder) RemovePathNow(path, kind);
  }
  for (const auto& [path, kind] : record.paths) {
    if (kind == Kind::Folder) RemovePathNow(path, kind);
  }
}

}  // namespace gridlet::leftovers
