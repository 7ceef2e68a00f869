# Leaves the release zip alone in its folder with SHA256SUMS beside it, in
# the form sha256sum -c reads:  cmake -D ZIP=<path of the zip> -P DistFolder.cmake
get_filename_component(name ${ZIP} NAME)
get_filename_component(folder ${ZIP} DIRECTORY)
file(REMOVE_RECURSE ${folder}/_CPack_Packages)
file(SHA256 ${ZIP} hash)
file(WRITE ${folder}/SHA256SUMS "${hash}  ${name}\n")
