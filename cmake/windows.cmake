# The Windows build: the platform's own facilities (service control manager,
# registry, event log, Windows Sockets, XmlLite) in place of systemd and pugixml.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
# Static, so that the programs need no MinGW DLL beside them.
add_link_options(-static -static-libgcc -static-libstdc++)

# The cross compiler does not search the system's include folder; Asio's
# headers get a folder of their own.
set(OPRINTER_ASIO_HEADERS /usr/include CACHE PATH "Folder that holds asio.hpp and asio/")
set(asio_include ${CMAKE_BINARY_DIR}/asio-include)
file(MAKE_DIRECTORY ${asio_include})
file(CREATE_LINK ${OPRINTER_ASIO_HEADERS}/asio ${asio_include}/asio SYMBOLIC)
file(CREATE_LINK ${OPRINTER_ASIO_HEADERS}/asio.hpp ${asio_include}/asio.hpp SYMBOLIC)
include_directories(SYSTEM ${asio_include})

# MinGW-w64 has xmllite.h but no import library: one is made from its exports.
find_program(DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
set(xmllite_import ${CMAKE_BINARY_DIR}/libxmllite.a)
add_custom_command(OUTPUT ${xmllite_import}
  COMMAND ${DLLTOOL} -d ${CMAKE_SOURCE_DIR}/src/platform/windows/xmllite.def -l ${xmllite_import}
  DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/windows/xmllite.def)
add_custom_target(xmllite_import DEPENDS ${xmllite_import})
add_library(xmllite STATIC IMPORTED)
set_target_properties(xmllite PROPERTIES IMPORTED_LOCATION ${xmllite_import})
add_dependencies(xmllite xmllite_import)

set(platform_libraries xmllite shlwapi ole32 advapi32 bcrypt ws2_32 mswsock secur32 crypt32)
