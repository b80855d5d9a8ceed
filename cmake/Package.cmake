# `make package`: a Debian package of everything `cmake --install` installs. dpkg-shlibdeps
# computes the libraries' packages; the script conversion's dictionaries and the opener of
# folders and web pages are data and programs it cannot see.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qingfengxia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Qingfengxia developers <maintainers@qingfengxia.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert many text files between character encodings")
# CPack puts the summary above this text and indents it as a control field wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "青枫匣 converts many text files at once between GBK/GB18030, UTF-8, UTF-16LE, \
UTF-16BE and Big5, with automatic detection and optional Simplified/Traditional Chinese \
conversion, in a window or with the command-line converter qingfengxia-batch. The results \
go into a folder beside each source or into a chosen folder; or each source that converts \
completely is replaced in place, optionally keeping a backup of the original. Files that \
are not text are left alone and listed.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://qingfengxia.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libopencc-data, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
