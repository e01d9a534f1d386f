#include "web/page_assets.h"

namespace gridlet::web {

const PageAsset* FindPageAsset(std::string_view path) {
  if (path == "/") path = "/index.html";
  for (std::size_t i = 0; i < kPageAssetCount; ++i) {
    if (kPageAssets[i].path == path) return &kPageAssets[i];
  }
  return nullptr;
}

}  // namespace gridlet::web
