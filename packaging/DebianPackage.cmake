# The Debian package, made from a configured build folder with
# `cpack -G DEB`: everything the install rules put under the prefix, which
# is /usr in the package.
set(CPACK_PACKAGE_NAME zelqad)
set(CPACK_PACKAGE_VENDOR ZELQAd)
set(CPACK_PACKAGE_CONTACT
    "ZELQAd maintainers <maintainers@users.noreply.c-seed-77d87f5b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, fast real-time 3D viewer for X models")
# Lines as Debian shows them: CPack indents them for the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "ZELQAd draws two meshes from X files, each with a texture set of colour,"
    "normal, specular and emissive maps, as a rotating grid of instances with"
    "per-pixel lighting, parallax, fog and a bloom post-process. Models and"
    "images open from the command line, from a file manager or by dropping"
    "them on the window. --screenshot renders a picture without a display,"
    "which also gives file managers thumbnails of X files.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the programs link come from dpkg-shlibdeps. What they load
# at run time is added by hand: SDL and libepoxy open libGL or libEGL, which
# load Mesa's drivers (its software rasterizer draws where there is no GPU
# or no display, as for thumbnails), and fontconfig is asked for the IPA
# Gothic face.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libgl1, libegl1, libgl1-mesa-dri, libglx-mesa0, libegl-mesa0, fonts-ipafont-gothic")
include(CPack)
