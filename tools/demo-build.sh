# Sourced by tools/run.sh and tools/flow-test.sh: builds the demo installer and its signed demo
# package for the flavour this machine runs, and sets `preset`, `demo` (the package folder) and
# `installer`. Expects `repo` and the helpers of tools/wine-prefix.sh.
orb_choose_flavour
if [ "$ORB_FLAVOUR" = i686 ]; then
    preset=demo
else
    preset=demo64
    echo "[demo] the x86_64 build of the installer: $ORB_NO_32BIT_REASON"
fi
triplet=$ORB_FLAVOUR-w64-mingw32

# The demo package: the test tooling builds it the way the publisher would, with the demo build's
# manifest DLL names; the demo build then pins the demo publisher's thumbprint.
cmake --preset $preset >/dev/null
demo=$repo/.cache/demo-$ORB_FLAVOUR
if [ ! -f "$demo/stamp" ]; then
    dlls=$(cmake -N -LA build/$preset 2>/dev/null | sed -n 's/^ORB_MANIFEST_DLLS:STRING=//p' | tr ';' ',')
    echo "[demo] building the signed demo package"
    python3 "$repo/tools/testpkg/make_testpkg.py" --out "$demo" --dlls "$dlls" --version 1.0.0.49 \
        --cc $triplet-gcc-posix --windres $triplet-windres >/dev/null
fi
cmake --preset $preset -DORB_PUBLISHER_THUMBPRINT="$(cat "$demo/certs/publisher.thumbprint")" >/dev/null
cmake --build --preset $preset
installer=$repo/build/$preset/OrbelinSetup.exe
