#!/usr/bin/env bash
# tools/release-notices.sh into a scratch folder: the SPDX document parses, names the installer's
# six third-party components with a version and a licence each, and the notices carry each one's
# licence heading.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$(mktemp -d /tmp/orb-notices-test.XXXXXX)
trap 'rm -rf "$out"' EXIT
"$repo/tools/release-notices.sh" "$out" >/dev/null
python3 - "$out" <<'PY'
import json, sys
out = sys.argv[1]
document = json.load(open(f"{out}/OrbelinSetup.spdx.json", encoding="utf-8"))
notices = open(f"{out}/THIRD-PARTY-NOTICES.txt", encoding="utf-8").read()
expected = {"libcurl": "libcurl: the curl licence", "miniz": "miniz: the MIT licence",
            "nanosvg": "nanosvg: the zlib licence", "mingw-w64-crt": "mingw-w64 runtime:",
            "libstdc++ and libgcc": "GCC Runtime Library Exception", "winpthreads": "winpthreads: the MIT"}
problems = []
if document.get("spdxVersion") != "SPDX-2.3":
    problems.append(f"spdxVersion {document.get('spdxVersion')!r}")
packages = {p["name"]: p for p in document["packages"]}
linked = {r["relatedSpdxElement"] for r in document["relationships"] if r["relationshipType"] == "STATIC_LINK"}
for name, heading in expected.items():
    p = packages.get(name)
    if not p:
        problems.append(f"{name}: not listed")
        continue
    for field in ("versionInfo", "licenseDeclared", "downloadLocation"):
        if not p.get(field) or p[field] == "NOASSERTION":
            problems.append(f"{name}: no {field}")
    if p["SPDXID"] not in linked:
        problems.append(f"{name}: not linked to the installer")
    if heading not in notices:
        problems.append(f"{name}: notices lack {heading!r}")
if problems:
    sys.exit("\n".join(problems))
PY
