#!/usr/bin/env bash
# Writes the release folder's bill of materials and licence notices:
#   tools/release-notices.sh OUTDIR
# OUTDIR/OrbelinSetup.spdx.json  SPDX 2.3 (JSON): every third-party component linked into the
#                                installer, with its exact version, licence, supplier, Debian
#                                source package and checksums
# OUTDIR/THIRD-PARTY-NOTICES.txt the licence texts that distributing the binary requires
# Everything is read from what tools/setup.sh fetched (ORB_DEPS_DIR, default .cache) and from the
# installed toolchain packages, never written here by hand. The document's time is the last
# commit's, so the same commit gives the same files. ORB_BUILD_DIR (default build/release) names
# the build whose maker and version the document carries.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
die() { printf '[notices] error: %s\n' "$*" >&2; exit 1; }

[ $# -eq 1 ] || die "usage: tools/release-notices.sh OUTDIR"
out=$1
deps=${ORB_DEPS_DIR:-$repo/.cache}
build=${ORB_BUILD_DIR:-$repo/build/release}
mkdir -p "$out"
for f in "$deps/licenses/.kept-1" "$deps/third_party/miniz/miniz.h" "$deps/third_party/nanosvg/nanosvg.h"; do
    [ -f "$f" ] || die "$f is missing; run tools/setup.sh first"
done

export ORB_DEPS="$deps" ORB_BUILD="$repo/CMakeLists.txt" ORB_CACHE_FILE="$build/CMakeCache.txt" ORB_OUT="$out"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 0)}
python3 - <<'PY'
import glob, hashlib, json, os, re, subprocess, sys, time

deps, out = os.environ["ORB_DEPS"], os.environ["ORB_OUT"]

def fail(message):
    sys.exit(f"[notices] error: {message}")

def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()

def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()

def dpkg(package, field="Version"):
    result = subprocess.run(["dpkg-query", "-W", "-f=${" + field + "}", package], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout:
        fail(f"the Debian package {package} is not installed; run tools/setup.sh first")
    return result.stdout

def dsc(source):
    found = sorted(glob.glob(f"{deps}/dl/{source}/*.dsc"))
    if not found:
        fail(f"no {source} source package in {deps}/dl; run tools/setup.sh first")
    text = read(found[0])
    version = re.search(r"^Version: (.+)$", text, re.M).group(1)
    name = re.search(r"^Source: (.+)$", text, re.M).group(1)
    # The .dsc and the upstream tarball are what was built from; Debian's patches come with the .dsc.
    files = [found[0]] + sorted(p for p in glob.glob(f"{deps}/dl/{source}/*.orig.tar.*") if not p.endswith(".asc"))
    return name, version, files

def setting(name, default):
    try:
        match = re.search(rf"^{name}:\w+=(.*)$", read(os.environ["ORB_CACHE_FILE"]), re.M)
        if match:
            return match.group(1)
    except OSError:
        pass
    return default

project_version = re.search(r"project\(OrbelinSetup VERSION ([0-9.]+)", read(os.environ["ORB_BUILD"])).group(1)
version, maker = setting("ORB_VERSION", project_version), setting("ORB_MAKER", "欧贝林")

# ------------------------------------------------------------------------------------------------
# The components, each with its licence text for the notices
# ------------------------------------------------------------------------------------------------
components = []

def component(name, version, licence, source_name, source_version, files, summary, notice_title, notice):
    if not version or not licence or not notice.strip():
        fail(f"{name}: version, licence or licence text not found")
    components.append(dict(name=name, version=version, licence=licence, source=source_name,
                           source_version=source_version, files=files, summary=summary,
                           notice_title=notice_title, notice=notice))

name, curl_version, files = dsc("curl")
component("libcurl", curl_version, "curl", name, curl_version, files,
          "HTTP(S) transfers; static library, Schannel TLS", "libcurl: the curl licence",
          read(f"{deps}/licenses/curl-COPYING"))

name, slicer_version, files = dsc("prusa-slicer")
miniz_version = re.search(r'#define MZ_VERSION "([^"]+)"', read(f"{deps}/third_party/miniz/miniz.h")).group(1)
component("miniz", miniz_version, "MIT", name, slicer_version, files,
          f"zip reading and inflating, the copy in {name} {slicer_version} (src/miniz)",
          "miniz: the MIT licence", read(f"{deps}/licenses/miniz-LICENSE"))

name, wx_version, files = dsc("wxwidgets3.2")
component("nanosvg", wx_version, "Zlib", name, wx_version, files,
          f"SVG parsing and rasterising, the copy in {name} {wx_version} (3rdparty/nanosvg)",
          "nanosvg: the zlib licence", read(f"{deps}/licenses/nanosvg-LICENSE.txt"))

# The toolchain's static runtime that -static links into the executable.
mingw_doc = read("/usr/share/doc/mingw-w64-i686-dev/copyright")
mingw_source = dpkg("mingw-w64-i686-dev", "source:Package")
mingw_version = dpkg("mingw-w64-i686-dev")
crt = "/usr/i686-w64-mingw32/lib"
component("mingw-w64-crt", mingw_version, "ZPL-2.1", mingw_source, dpkg("mingw-w64-i686-dev", "source:Version"),
          [f"{crt}/libmingw32.a", f"{crt}/libmingwex.a", f"{crt}/libmsvcrt.a"],
          "the mingw-w64 C runtime start-up and support code (libmingw32, libmingwex, libmsvcrt)",
          "mingw-w64 runtime: the Zope Public License 2.1 and the other terms of its files",
          mingw_doc)

gcc_package = "gcc-mingw-w64-i686-posix-runtime"
gcc_version = dpkg(gcc_package)
gcc_lib = "/usr/lib/gcc/i686-w64-mingw32/12-posix"
component("libstdc++ and libgcc", gcc_version, "GPL-3.0-or-later WITH GCC-exception-3.1",
          dpkg(gcc_package, "source:Package"), dpkg(gcc_package, "source:Version"),
          [f"{gcc_lib}/libstdc++.a", f"{gcc_lib}/libgcc.a", f"{gcc_lib}/libgcc_eh.a"],
          "the C++ standard library and GCC's support library (-static-libstdc++ -static-libgcc)",
          "libstdc++ and libgcc: GPL-3.0 with the GCC Runtime Library Exception",
          read("/usr/share/doc/gcc-mingw-w64-base/copyright") + "\n\n" + read("/usr/share/common-licenses/GPL-3"))

# winpthreads' own paragraphs of the mingw-w64 copyright file, and the licence texts they name.
stanzas = mingw_doc.split("\n\n")
own = [s for s in stanzas if re.search(r"^Files:.*winpthreads/(\*|include|src/(clock|nanosleep))", s, re.M)]
named = {re.search(r"^License: (\S+)", s, re.M).group(1) for s in own if re.search(r"^License: ", s, re.M)}
texts = [s for s in stanzas if s.startswith("License: ") and s.split()[1] in named]
component("winpthreads", mingw_version, "MIT AND BSD-3-Clause", mingw_source,
          dpkg("mingw-w64-i686-dev", "source:Version"), [f"{crt}/libwinpthread.a"],
          "POSIX threads for std::thread (libwinpthread, from mingw-w64)",
          "winpthreads: the MIT (expat) licence", "\n\n".join(own + texts))

# ------------------------------------------------------------------------------------------------
# SPDX 2.3
# ------------------------------------------------------------------------------------------------
created = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"])))
packages, relationships = [], []
installer = {"SPDXID": "SPDXRef-Package-OrbelinSetup", "name": "OrbelinSetup", "versionInfo": version,
             "supplier": f"Organization: {maker}", "downloadLocation": "NOASSERTION", "filesAnalyzed": False,
             "licenseConcluded": "NOASSERTION", "licenseDeclared": "NOASSERTION", "copyrightText": "NOASSERTION",
             "packageFileName": "OrbelinSetup.exe",
             "primaryPackagePurpose": "INSTALL"}
packages.append(installer)
relationships.append({"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                      "relatedSpdxElement": installer["SPDXID"]})
for number, c in enumerate(components, 1):
    spdx_id = f"SPDXRef-Package-{number}-" + re.sub(r"[^A-Za-z0-9.-]+", "-", c["name"])
    source_url = f"https://snapshot.debian.org/package/{c['source']}/{c['source_version']}/"
    packages.append({
        "SPDXID": spdx_id, "name": c["name"], "versionInfo": c["version"],
        "supplier": "Organization: Debian", "originator": "NOASSERTION",
        "downloadLocation": source_url, "sourceInfo": f"Debian source package {c['source']} {c['source_version']}",
        "summary": c["summary"], "filesAnalyzed": False,
        "licenseConcluded": c["licence"], "licenseDeclared": c["licence"], "copyrightText": "NOASSERTION",
        "primaryPackagePurpose": "LIBRARY",
        "checksums": [{"algorithm": "SHA256", "checksumValue": sha256(f)} for f in c["files"][:1]],
        "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                          "referenceLocator": f"pkg:deb/debian/{c['source']}@{c['source_version']}?arch=source"}],
        "comment": "SHA-256 of the inputs: " + "; ".join(f"{os.path.basename(f)} {sha256(f)}" for f in c["files"]),
    })
    relationships.append({"spdxElementId": installer["SPDXID"], "relationshipType": "STATIC_LINK",
                          "relatedSpdxElement": spdx_id})

body = json.dumps(packages, sort_keys=True).encode()
document = {
    "spdxVersion": "SPDX-2.3", "dataLicense": "CC0-1.0", "SPDXID": "SPDXRef-DOCUMENT",
    "name": f"OrbelinSetup-{version}",
    # Unique per content, and the same for the same content: a rebuild yields the same document.
    "documentNamespace": f"https://spdx.org/spdxdocs/OrbelinSetup-{version}-{hashlib.sha256(body).hexdigest()[:32]}",
    "creationInfo": {"created": created, "creators": ["Tool: tools/release-notices.sh", f"Organization: {maker}"]},
    "documentDescribes": [installer["SPDXID"]],
    "packages": packages, "relationships": relationships,
}
with open(os.path.join(out, "OrbelinSetup.spdx.json"), "w", encoding="utf-8") as f:
    json.dump(document, f, ensure_ascii=False, indent=2)
    f.write("\n")

# ------------------------------------------------------------------------------------------------
# THIRD-PARTY-NOTICES.txt
# ------------------------------------------------------------------------------------------------
rule = "=" * 78
lines = [f"OrbelinSetup.exe {version} contains the following third-party software, linked statically.", ""]
lines += [f"  {c['name']} {c['version']} ({c['licence']}), from Debian source package {c['source']} "
          f"{c['source_version']}" for c in components]
for c in components:
    lines += ["", rule, c["notice_title"], rule, "", c["notice"].strip()]
with open(os.path.join(out, "THIRD-PARTY-NOTICES.txt"), "w", encoding="utf-8", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
PY
echo "[notices] wrote $out/OrbelinSetup.spdx.json and $out/THIRD-PARTY-NOTICES.txt"
