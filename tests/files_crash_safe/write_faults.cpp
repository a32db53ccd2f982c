#include "tests/files_crash_safe/write_faults.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

Scene::~Scene() {
  for (auto step = undo.rbegin(); step != undo.rend(); ++step) (*step)();
}

std::string Scene::make_folder(const std::string& name) {
  const std::string folder = scratch.path(name);
  fs::create_directories(folder);
  return folder;
}

void Scene::aim_at(const std::string& folder, const Bytes& contents) {
  watched = folder;
  target = old_file = (fs::path(folder) / file_name).string();
  old_contents = contents;
}

void Scene::place_old_file(const std::string& folder, const Bytes& contents) {
  aim_at(folder, contents);
  write_file_bytes(old_file, contents);
}

std::vector<std::string> everything_below(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    paths.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string remove_everything_at(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
  return error ? "removing " + path + ": " + error.message() : "";
}

std::string filler_of(const Scene& scene) {
  return (fs::path(scene.watched) / "filler").string();
}

std::string remove_filler(Scene& scene) {
  return remove_everything_at(filler_of(scene));
}

std::string fill_the_disk(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::string("creating the filler: ") + std::strerror(errno);
  const std::vector<char> chunk(1024, 'F');
  int refusal = 0;
  for (int n = 0; n < 4096 && refusal == 0; ++n) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size() ||
        std::fflush(file) != 0) {
      refusal = errno;
    }
  }
  std::fclose(file);
  if (refusal != ENOSPC) return "the disk did not fill up: " + std::string(std::strerror(refusal));
  return "";
}

std::string folder_at_target(Scene& scene, const Bytes&) {
  scene.watched = scene.make_folder("disk");
  scene.target = scene.make_folder("disk/" + scene.file_name);
  write_file_bytes((fs::path(scene.target) / "inside").string(), {1, 2, 3});
  return "";
}

std::string remove_folder_at_target(Scene& scene) {
  return remove_everything_at(scene.target);
}

// A stick pulled out, a folder deleted by another program: it must not come back.
std::string vanished_folder(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("stick"), old_contents);
  fs::remove_all(scene.watched);
  scene.watched = scene.scratch.root;
  scene.old_file.clear();
  return "";
}

std::string folder_back(Scene& scene) {
  scene.make_folder("stick");
  return "";
}
