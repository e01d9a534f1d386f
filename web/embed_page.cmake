# Turns the files of the web page into a C++ source that defines
# gridlet::web::kPageAssets. Run in script mode:
#   cmake -DOUTPUT=page_assets_data.cpp -DPAGE_DIR=web/page -P embed_page.cmake
# Every file of PAGE_DIR is served at /<its name>.

file(GLOB page_files RELATIVE "${PAGE_DIR}" "${PAGE_DIR}/*")
list(SORT page_files)

set(content_type_html "text/html; charset=utf-8")
set(content_type_css "text/css; charset=utf-8")
set(content_type_js "text/javascript; charset=utf-8")
set(content_type_svg "image/svg+xml")
set(content_type_png "image/png")

set(arrays "")
set(entries "")
set(index 0)
foreach(name ${page_files})
  get_filename_component(extension "${name}" LAST_EXT)
  string(SUBSTRING "${extension}" 1 -1 extension)
  set(type "${content_type_${extension}}")
  if(NOT type)
    message(FATAL_ERROR "web/page/${name}: no content type for .${extension}")
  endif()
  file(READ "${PAGE_DIR}/${name}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char asset${index}[] = {\n${bytes}0};\n")
  string(APPEND entries "    {\"/${name}\", \"${type}\", std::string_view(reinterpret_cast<const char*>(asset${index}), ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}.new"
"// Generated from web/page/ by web/embed_page.cmake; do not edit.
#include \"web/page_assets.h\"

namespace gridlet::web {
namespace {
${arrays}}  // namespace

const PageAsset kPageAssets[] = {
${entries}};
const std::size_t kPageAssetCount = ${index};

}  // namespace gridlet::web
")
# Only a changed page touches the source, so that nothing rebuilds for nothing.
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
