# The archive logic and the URL parsing it resolves with: pure sources that the native tests and
# the fuzz targets both build. Expects `repo` to name the repository's root.
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
  ${repo}/mht/url_resolve.cpp
  ${repo}/urls/url_host.cpp
  ${repo}/urls/url_parser.cpp
  ${repo}/urls/utf8_decoder.cpp)
