# Installation and the Debian package.
#
# `cmake --install` puts the two programs in bin/, the dialog program
# tovask-confirm in the helper folder libexec/tovask/ (tovask finds it there,
# see src/import/confirm_program.h), the manual pages in share/man/man1/ and the
# README, the examples, the copyright and the changelog in share/doc/tovask/.
# Nothing else is installed: no tests, benchmarks or libraries.
#
# `cpack -G DEB` (tools/package.sh) packages the same tree; the package's
# Depends are computed from the programs' shared libraries.

include(GNUInstallDirs)

# Where tovask-confirm is installed, and how tovask gets there from bin/.
# This is the one place that says so.
set(TOVASK_HELPER_DIR "${CMAKE_INSTALL_LIBEXECDIR}/tovask")
set(tovask_helper_from_bin "${CMAKE_INSTALL_FULL_LIBEXECDIR}/tovask")
cmake_path(RELATIVE_PATH tovask_helper_from_bin BASE_DIRECTORY "${CMAKE_INSTALL_FULL_BINDIR}")
target_compile_definitions(tovask_core PRIVATE
  TOVASK_HELPER_FOLDER_FROM_BIN="${tovask_helper_from_bin}")

# Directories made by the installation are world-readable whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tovask tovask-store RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(TARGET tovask-confirm)
  install(TARGETS tovask-confirm RUNTIME DESTINATION "${TOVASK_HELPER_DIR}")
endif()

# Manual pages and the changelog are installed compressed, as Debian keeps
# them; gzip -n leaves no name or time in the file, so a rebuild gives the
# same bytes.
set(tovask_compressed)
foreach(source docs/man/tovask.1 docs/man/tovask-store.1 packaging/changelog)
  get_filename_component(name "${source}" NAME)
  set(compressed "${CMAKE_BINARY_DIR}/compressed/${name}.gz")
  add_custom_command(OUTPUT "${compressed}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/compressed"
    COMMAND gzip -9n -c "${CMAKE_SOURCE_DIR}/${source}" > "${compressed}"
    DEPENDS "${CMAKE_SOURCE_DIR}/${source}"
    VERBATIM)
  list(APPEND tovask_compressed "${compressed}")
endforeach()
add_custom_target(compressed-docs ALL DEPENDS ${tovask_compressed})

install(FILES "${CMAKE_BINARY_DIR}/compressed/tovask.1.gz"
              "${CMAKE_BINARY_DIR}/compressed/tovask-store.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES README.md packaging/copyright "${CMAKE_BINARY_DIR}/compressed/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")
install(DIRECTORY examples/ DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples")

if(TOVASK_TESTS)
  add_test(NAME man_pages COMMAND sh "${CMAKE_SOURCE_DIR}/tools/check-man-pages.sh"
           "${CMAKE_SOURCE_DIR}/docs/man/tovask.1" "${CMAKE_SOURCE_DIR}/docs/man/tovask-store.1")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovask)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The tovask developers")
set(CPACK_PACKAGE_CONTACT "The tovask developers <tovask@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move contacts between an Outlook profile and Talvo")
set(CPACK_PACKAGE_DESCRIPTION
    "tovask moves contact data between an Outlook-style profile (message stores,
folders, contact and mail items) and the peer system Talvo through XML files.
Each run does one operation: export the contacts of a folder changed since a
moment, list the contact and mail folders, import (merge) a contact document
from Talvo and write a feedback document, or harvest the senders of the mail of
a folder as contact records.
On Linux the profile is an embedded SQLite file, administered with
tovask-store.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
