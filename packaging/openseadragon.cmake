# OpenSeadragon, the viewer `eveda-batch --viewer` copies beside its page, from its npm
# package (BSD-licensed), fetched once into the build tree and installed with eveda-batch.
set(EVEDA_OPENSEADRAGON_VERSION 6.1.1)
set(EVEDA_OPENSEADRAGON_DIR ${CMAKE_BINARY_DIR}/npm/openseadragon-${EVEDA_OPENSEADRAGON_VERSION})
if(NOT EXISTS ${EVEDA_OPENSEADRAGON_DIR}/openseadragon.min.js)
  find_program(NPM npm)
  set(package ${CMAKE_BINARY_DIR}/npm/openseadragon-${EVEDA_OPENSEADRAGON_VERSION}.tgz)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/npm)
  if(NPM AND NOT EXISTS ${package})
    execute_process(COMMAND ${NPM} pack --silent openseadragon@${EVEDA_OPENSEADRAGON_VERSION}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/npm RESULT_VARIABLE packed OUTPUT_QUIET)
  endif()
  if(EXISTS ${package})
    file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${CMAKE_BINARY_DIR}/npm/unpacked
      PATTERNS package/build/openseadragon/openseadragon.min.js
               package/build/openseadragon/images package/LICENSE.txt)
    file(COPY ${CMAKE_BINARY_DIR}/npm/unpacked/package/build/openseadragon/
      DESTINATION ${EVEDA_OPENSEADRAGON_DIR} FILES_MATCHING PATTERN "*.js" PATTERN "*.png")
    file(COPY ${CMAKE_BINARY_DIR}/npm/unpacked/package/LICENSE.txt
      DESTINATION ${EVEDA_OPENSEADRAGON_DIR})
  else()
    message(WARNING "OpenSeadragon ${EVEDA_OPENSEADRAGON_VERSION} could not be had from npm: "
      "eveda-batch --viewer will say it is not installed")
  endif()
endif()
