# The web service (`gridlet serve`): its C++ and its page, which is compiled
# into the binary. Included from the top level.

find_package(PkgConfig REQUIRED)
# Debian's cpp-httplib is a compiled library; its flags (OpenSSL, zlib and
# Brotli support) must match the library's build.
pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(nlohmann_json 3 REQUIRED)

file(GLOB WEB_PAGE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/web/page/*)
set(WEB_PAGE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/page_assets_data.cpp)
add_custom_command(
  OUTPUT ${WEB_PAGE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${WEB_PAGE_SOURCE} -DPAGE_DIR=${CMAKE_CURRENT_SOURCE_DIR}/web/page
          -P ${CMAKE_CURRENT_SOURCE_DIR}/web/embed_page.cmake
  DEPENDS ${WEB_PAGE_FILES} ${CMAKE_CURRENT_SOURCE_DIR}/web/embed_page.cmake
  COMMENT "Embedding the web page")

file(GLOB WEB_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/web/*.cpp)
add_library(gridlet_web STATIC ${WEB_SOURCES} ${WEB_PAGE_SOURCE})
# The command line's type names are the service's too.
target_link_libraries(gridlet_web PUBLIC gridlet_cli PkgConfig::CPP_HTTPLIB nlohmann_json::nlohmann_json)
target_compile_definitions(gridlet_web PRIVATE GRIDLET_VERSION="${PROJECT_VERSION}")
