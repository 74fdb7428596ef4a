# cmake -DVERSION=... -DMETAINFO=... -DCHANGELOG=... -P version.cmake
# Fails unless the newest release in the metadata and the newest entry of the
# Debian changelog both carry VERSION.
file(READ ${METAINFO} metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${metainfo}")
set(release ${CMAKE_MATCH_1})
file(STRINGS ${CHANGELOG} first LIMIT_COUNT 1)
string(REGEX MATCH "^quorvane \\(([^)]*)\\)" _ "${first}")
set(debian ${CMAKE_MATCH_1})
if(NOT release STREQUAL VERSION OR NOT debian STREQUAL VERSION)
  message(FATAL_ERROR
          "project ${VERSION}, metainfo release '${release}', debian/changelog '${debian}'")
endif()
