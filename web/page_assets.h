// The web page, compiled into the binary: the files of web/page/, each
// under its path on the server.
#pragma once

#include <cstddef>
#include <string_view>

namespace gridlet::web {

struct PageAsset {
  std::string_view path;  // "/index.html", "/app.js", ...
  std::string_view contentType;
  std::string_view body;
};

// The asset served at a path; "/" is the index page. Null for none.
const PageAsset* FindPageAsset(std::string_view path);

// Generated at build time from web/page/ (embed_page.cmake).
extern const PageAsset kPageAssets[];
extern const std::size_t kPageAssetCount;

}  // namespace gridlet::web
