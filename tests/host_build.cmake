# What the host builds (the native tests and the fuzz targets) share: the language level, the
# sanitizers, `repo` naming the repository's root, and the archive logic with the URL parsing it
# resolves with, which both build.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
get_filename_component(repo ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

set(archive_logic_sources
  ${repo}/mht/archive_plan.cpp
  ${repo}/mht/archive_writer.cpp
  ${repo}/mht/content_type.cpp
  ${repo}/mht/css_refs.cpp
  ${repo}/mht/html_entities.cpp
  ${repo}/mht/html_refs.cpp
  ${repo}/mht/mail_date.cpp
  ${repo}/mht/mime_encode.cpp
  ${repo}/mht/page_charset.cpp
  ${repo}/mht/reference_list.cpp
  ${repo}/mht/stylesheet_charset.cpp
  ${repo}/url/url_resolve.cpp
  ${repo}/url/url_host.cpp
  ${repo}/url/url_parser.cpp
  ${repo}/url/utf8_decoder.cpp)
