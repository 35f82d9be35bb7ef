# The replay page (quva run --replay, Simulation.replay in Python): the generator, the telemetry
# sample it reads, and the page's template, viewer script and 3-D library built in as text.
# The 3-D library is Debian's libjs-three (three.js 111, minified), inlined into every page so
# that the page opens offline.
set(QUVA_THREE_JS /usr/share/javascript/three/three.min.js CACHE FILEPATH
    "The 3-D library that replay pages carry inside (Debian: libjs-three)")
if(NOT EXISTS "${QUVA_THREE_JS}")
  message(FATAL_ERROR "quva: the 3-D library for replay pages is missing: ${QUVA_THREE_JS} "
                      "(Debian: apt-get install libjs-three; or set QUVA_THREE_JS to three.min.js)")
endif()
file(STRINGS "${QUVA_THREE_JS}" three_revision LIMIT_COUNT 1 REGEX "REVISION=\"[0-9]+\"" LENGTH_MAXIMUM 100000000)
string(REGEX MATCH "REVISION=\"([0-9]+)\"" three_revision "${three_revision}")
if(NOT CMAKE_MATCH_1 STREQUAL "111")
  message(WARNING "quva: ${QUVA_THREE_JS} is three.js revision '${CMAKE_MATCH_1}'; replay pages are made for 111")
endif()

set(page_dir ${CMAKE_CURRENT_LIST_DIR}/page)
set(page_assets ${CMAKE_CURRENT_BINARY_DIR}/replay_page_assets.cpp)
add_custom_command(OUTPUT ${page_assets}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${page_assets} -DNAMESPACE=quva::cli::page_assets
          "-DFILES=pageTemplate=${page_dir}/page.html|pageScript=${page_dir}/replay.js|library=${QUVA_THREE_JS}"
          -P ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
  DEPENDS ${page_dir}/page.html ${page_dir}/replay.js ${QUVA_THREE_JS} ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
  COMMENT "Building the replay page's parts in"
  VERBATIM)

file(GLOB QUVA_REPLAY_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(quva_replay STATIC ${QUVA_REPLAY_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/../telemetry/telemetry.cpp ${page_assets})
target_include_directories(quva_replay PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(quva_replay PUBLIC quvahost_internal)
set_target_properties(quva_replay PROPERTIES CXX_STANDARD 20 POSITION_INDEPENDENT_CODE ON)
quva_warnings(quva_replay)
