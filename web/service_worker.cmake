# Writes sw.js into DIR once the page is built: its cache named by a hash
# of the page's files, which it lists.
#   cmake -DDIR=<build-web> -DTEMPLATE=<web/sw.js.in> -P service_worker.cmake
set(files pellmor.html pellmor.js pellmor.wasm pellmor.data pellmor.webmanifest icons/pellmor-192.png
          icons/pellmor-512.png)
set(hashes "")
set(PELLMOR_WEB_FILES "")
foreach(file IN LISTS files)
  file(SHA256 "${DIR}/${file}" hash)
  string(APPEND hashes "${hash}")
  string(APPEND PELLMOR_WEB_FILES "'${file}', ")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 PELLMOR_WEB_VERSION)
string(REGEX REPLACE ", $" "" PELLMOR_WEB_FILES "${PELLMOR_WEB_FILES}")
configure_file("${TEMPLATE}" "${DIR}/sw.js" @ONLY)
