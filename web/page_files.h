#pragma once

#include <cstddef>
#include <span>

// The page's files (HTML, CSS, JavaScript, icon), built into the program from web/page/.
struct PageFile {
  const char* url;  // "/app.js"
  const unsigned char* bytes;
  size_t size;
};

std::span<const PageFile> page_files();
