#!/usr/bin/env python3
"""Builds product packages the way the publisher builds a release, plus broken and hostile
variants of them and small archives for the extraction tests. Everything is made from scratch in
the output folder on every run; nothing generated belongs in the repository.

    make_testpkg.py --out DIR --dlls A.dll,B.dll,... [--version 1.0.0.49] [--cc GCC] [--windres WINDRES]

DIR/certs     a test root CA, the publisher's code-signing certificate and a foreign publisher's
              (both issued by the test CA, so both signatures are valid); ca.der is the root to
              trust, publisher.thumbprint and foreign.thumbprint the SHA-1 thumbprints (lower hex);
              and an untrusted publisher under a root of its own that nobody trusts
DIR/bin       the programs and the library, unsigned and signed
DIR/packages  product packages: good.zip and the variants listed in package_variants(), among them
              the hostile ones (good.zip plus hostile entries) the pipeline meets
DIR/zips      archives for the extraction tests, listed in extraction_archives(), among them the
              hostile corpus
"""
import argparse
import functools
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
# Every entry carries this local time; the extraction tests read it back from the files.
ENTRY_TIME = (2024, 5, 17, 12, 34, 56)


def run(*cmd, **kwargs):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kwargs)
    if result.returncode != 0:
        sys.stderr.write(result.stdout.decode("utf-8", "replace"))
        sys.exit("make_testpkg: failed: %s" % " ".join(cmd))
    return result.stdout


# ---------------------------------------------------------------------------------------------
# Certificates
# ---------------------------------------------------------------------------------------------

def make_certificate(certs, name, subject, issuer=None, extensions=""):
    key, pem = os.path.join(certs, name + ".key"), os.path.join(certs, name + ".pem")
    if issuer is None:
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3650",
            "-keyout", key, "-out", pem, "-subj", subject,
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    else:
        csr, ext = os.path.join(certs, name + ".csr"), os.path.join(certs, name + ".ext")
        with open(ext, "w") as f:
            f.write(extensions)
        run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
            "-subj", subject)
        run("openssl", "x509", "-req", "-sha256", "-days", "825", "-in", csr, "-CA", issuer + ".pem",
            "-CAkey", issuer + ".key", "-set_serial", "0x" + os.urandom(8).hex(), "-extfile", ext,
            "-out", pem)
    der = run("openssl", "x509", "-in", pem, "-outform", "DER")
    with open(os.path.join(certs, name + ".der"), "wb") as f:
        f.write(der)
    with open(os.path.join(certs, name + ".thumbprint"), "w") as f:
        f.write(hashlib.sha1(der).hexdigest())
    return os.path.join(certs, name)


def make_certificates(certs):
    os.makedirs(certs)
    ca = make_certificate(certs, "ca", "/CN=Orbelin Test Root CA/O=Orbelin Tests")
    code_signing = ("basicConstraints=critical,CA:FALSE\n"
                    "keyUsage=critical,digitalSignature\n"
                    "extendedKeyUsage=codeSigning\n")
    publisher = make_certificate(certs, "publisher", "/CN=Tarvelle Software Co., Ltd. (test)/O=Tarvelle",
                                 ca, code_signing)
    foreign = make_certificate(certs, "foreign", "/CN=Unrelated Publisher Ltd. (test)/O=Unrelated",
                               ca, code_signing)
    stranger_ca = make_certificate(certs, "untrusted-ca", "/CN=Untrusted Root CA (test)/O=Nobody")
    untrusted = make_certificate(certs, "untrusted", "/CN=Untrusted Publisher (test)/O=Nobody",
                                 stranger_ca, code_signing)
    return ca, publisher, foreign, (stranger_ca, untrusted)


def sign(signer, ca, source, target):
    chain = signer + ".chain.pem"
    with open(chain, "wb") as out:
        for pem in (signer + ".pem", ca + ".pem"):
            with open(pem, "rb") as f:
                out.write(f.read())
    run("osslsigncode", "sign", "-certs", chain, "-key", signer + ".key", "-h", "sha256",
        "-n", "Orbelin", "-in", source, "-out", target)


# ---------------------------------------------------------------------------------------------
# Programs
# ---------------------------------------------------------------------------------------------

VERSION_RC = """1 VERSIONINFO
FILEVERSION {file_commas}
PRODUCTVERSION {product_commas}
FILEFLAGSMASK 0x3f
FILEFLAGS 0
FILEOS 0x40004
FILETYPE {file_type}
FILESUBTYPE 0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "CompanyName", "Tarvelle Software Co., Ltd. (test)"
      VALUE "FileDescription", "{description}"
      VALUE "FileVersion", "{file_version}"
      VALUE "ProductName", "Orbelin"
      VALUE "ProductVersion", "{product_version}"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
"""


def build_pe(tools, work, name, file_version, product_version):
    """Cross-builds a program (.exe) or the library (.dll) with the given fixed versions."""
    is_dll = name.lower().endswith(".dll")
    stem = "%s-%s-%s" % (name, file_version, product_version)
    rc, res, out = (os.path.join(work, stem + ext) for ext in (".rc", ".res.o", ""))
    with open(rc, "w") as f:
        f.write(VERSION_RC.format(file_commas=file_version.replace(".", ","),
                                  product_commas=product_version.replace(".", ","),
                                  file_type=2 if is_dll else 1, description=name,
                                  file_version=file_version, product_version=product_version))
    run(tools.windres, "-O", "coff", "-i", rc, "-o", res)
    source = os.path.join(HERE, "library.c" if is_dll else "program.c")
    flags = ["-shared"] if is_dll else ["-mwindows", "-municode"]
    run(tools.cc, "-Os", "-s", *flags, source, res, "-o", out)
    return out


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tamper(data):
    """Changes one byte of the library's text, inside what the signature covers."""
    marker = b"Orbelin test library"
    at = data.index(marker)
    return data[:at] + b"X" + data[at + 1:]


# ---------------------------------------------------------------------------------------------
# Zip writing: a small writer of our own, so hostile names, flags and bytes are exactly as given
# ---------------------------------------------------------------------------------------------

def dos_time(t):
    year, month, day, hour, minute, second = t
    return (hour << 11) | (minute << 5) | (second // 2), ((year - 1980) << 9) | (month << 5) | day


def zipcrypto_encrypt(data, password, crc):
    """Traditional PKWARE encryption: 12-byte header (last byte = CRC's high byte), then data."""
    def crc_step(crc_value, byte):
        return zlib.crc32(bytes([byte]), crc_value ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(byte):
        keys[0] = crc_step(keys[0], byte)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc_step(keys[2], keys[1] >> 24)

    for byte in password:
        update(byte)
    out = bytearray()
    for byte in os.urandom(11) + bytes([crc >> 24]) + data:
        temp = (keys[2] | 2) & 0xFFFF
        out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
        update(byte)
    return bytes(out)


class Entry:
    def __init__(self, name, data=b"", deflate=True, encrypt=False, corrupt=False, raw_data=None, size=None,
                 crc=None):
        self.name = name.encode("utf-8") if isinstance(name, str) else name  # bytes kept as given
        self.data = data
        self.deflate = deflate and raw_data is None
        self.encrypt = encrypt
        self.corrupt = corrupt  # one stored byte changed after the CRC was taken
        self.raw_data = raw_data  # stored as the compressed bytes of a deflated entry, as given
        # The uncompressed size and CRC the headers declare, when they are not those of `data`.
        # Sizes from 4 GiB up are declared in a zip64 extra field.
        self.size = len(data) if size is None else size
        self.crc = zlib.crc32(data) & 0xFFFFFFFF if crc is None else crc


class Archive:
    """Entries plus damage to the archive as a whole: `cut_central` bytes are taken out of the end
    of the central directory while the end record still declares its full size."""

    def __init__(self, entries, cut_central=0):
        self.entries = entries
        self.cut_central = cut_central


ZIP64_LIMIT = 0xFFFFFFFF


def write_zip(path, entries, cut_central=0):
    local, central = bytearray(), bytearray()
    time, date = dos_time(ENTRY_TIME)
    for e in entries:
        crc = e.crc
        method = 8 if (e.deflate or e.raw_data is not None) else 0
        if e.raw_data is not None:
            body = e.raw_data
        elif e.deflate:
            packer = zlib.compressobj(6, zlib.DEFLATED, -15)
            body = packer.compress(e.data) + packer.flush()
        else:
            body = e.data
        if e.corrupt:
            body = body[:-1] + bytes([body[-1] ^ 0xFF])
        flags = 0
        if e.encrypt:
            body = zipcrypto_encrypt(body, b"secret", crc)
            flags |= 0x1
        try:
            e.name.decode("ascii")
        except UnicodeDecodeError:
            try:
                e.name.decode("utf-8")
                flags |= 0x800  # names in UTF-8
            except UnicodeDecodeError:
                pass  # a legacy code page name, flagged as nothing
        extra = b""
        size = e.size
        if size >= ZIP64_LIMIT:
            extra, size = struct.pack("<HHQ", 0x0001, 8, e.size), ZIP64_LIMIT
        header = struct.pack("<HHHHHIIIHH", 45 if extra else 20, flags, method, time, date, crc, len(body), size,
                             len(e.name), len(extra))
        offset = len(local)
        local += b"PK\x03\x04" + header + e.name + extra + body
        is_dir = e.name.endswith(b"/")
        central += (b"PK\x01\x02" + struct.pack("<H", 20) + header + struct.pack("<HHHII", 0, 0, 0,
                    0x10 if is_dir else 0x20, offset) + e.name + extra)
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(bytes(local) + bytes(central[:len(central) - cut_central]) + end)


class BitWriter:
    """Deflate's bit order: fields least significant bit first, Huffman codes most significant first."""

    def __init__(self):
        self.out, self.acc, self.count = bytearray(), 0, 0

    def bits(self, value, count):
        self.acc |= value << self.count
        self.count += count
        while self.count >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.count -= 8

    def code(self, code, length):
        self.bits(int(format(code, "0%db" % length)[::-1], 2), length)

    def zero_bits(self, count):
        while count and self.count:
            self.bits(0, 1)
            count -= 1
        self.out += bytes(count // 8)
        self.bits(0, count % 8)

    def finish(self):
        if self.count:
            self.out.append(self.acc & 0xFF)
        return bytes(self.out)


@functools.lru_cache(maxsize=None)
def deflated_zeros(size):
    """A raw deflate stream of `size` zero bytes at deflate's best ratio (about 1:1032), written
    directly: one dynamic block in which "length 258, distance 1" costs two bits, so the stream
    takes no time to make whatever its size. Returns the stream and the CRC-32 of the zeros."""
    w = BitWriter()
    w.bits(1, 1)  # final block
    w.bits(2, 2)  # dynamic Huffman codes
    w.bits(286 - 257, 5)  # literal/length codes up to 285 (length 258)
    w.bits(2 - 1, 5)  # two distance codes, one bit each (distance 1 is code 0)
    order = (16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1)
    w.bits(len(order) - 4, 4)
    # The code-length code: 18 (a run of zero lengths) is "0", length 1 is "10", length 2 is "11".
    code_length_bits = {18: 1, 1: 2, 2: 2}
    for symbol in order:
        w.bits(code_length_bits.get(symbol, 0), 3)
    one, two = (2, 2), (3, 2)

    def zero_run(count):
        w.code(0, 1)
        w.bits(count - 11, 7)

    # Literal/length code lengths: 0 -> 2, 1..255 -> none, 256 -> 2, 257..284 -> none, 285 -> 1;
    # so "length 258" is "0", literal zero "10" and the end of the block "11".
    w.code(*two)
    zero_run(138)
    zero_run(117)
    w.code(*two)
    zero_run(28)
    w.code(*one)
    w.code(*one)  # distance codes 0 and 1
    w.code(*one)
    matches, literals = divmod(size - 1, 258)
    w.code(2, 2)  # the first zero, which the matches then copy
    w.zero_bits(2 * matches)
    for _ in range(literals):
        w.code(2, 2)
    w.code(3, 2)
    crc, chunk = 0, bytes(1 << 24)
    for at in range(0, size, len(chunk)):
        crc = zlib.crc32(chunk[:min(len(chunk), size - at)], crc)
    return w.finish(), crc & 0xFFFFFFFF


# ---------------------------------------------------------------------------------------------
# The hostile corpus: what whoever controls the package or the connection could send. Each case is
# an extraction archive (its entries between a harmless "first.txt" and "after.txt") and a product
# package (the good package with the entries appended), both named after the case.
# ---------------------------------------------------------------------------------------------

# Names that would leave the target, open a device, or that the file system rewrites into another
# name. Backslashes are kept as bytes: Windows tools write them into names.
UNSAFE_NAMES = {
    "parent": "../evil.dll",
    "dotdot": "..",
    "dotdot-backslash": b"..\\evil.dll",
    "climb": "a/../../b",
    "mixed-climb": b"a\\../..\\b",
    "slash-root": "/abs.dll",
    "backslash-root": b"\\abs.dll",
    "drive-relative": "C:x.dll",
    "drive-absolute": b"C:\\x.dll",
    "unc": b"\\\\server\\share\\x.dll",
    "win32-namespace": b"\\\\?\\C:\\x.dll",
    "device-namespace": b"\\\\.\\C:\\x.dll",
    "stream": "Orbelin.exe:evil",
    # Windows drops trailing dots and spaces from a name: "x.dll." is "x.dll", and ".. " and "..."
    # are not the folders they look like.
    "dotdot-space": b".. \\evil.dll",
    "three-dots": b"...\\evil.dll",
    "trailing-dot-space": "a. ",
    "trailing-dot": "x.dll.",
    "control-character": "bell\x07.txt",
    "reserved-characters": "a<b>c|d?.txt",
    # Device names, in any folder and with any extension.
    "nul": "NUL",
    "con-extension": "con.txt",
    "com1": "COM1",
    "lpt9-extension": "lpt9.dll",
    "aux-in-folder": b"sub\\aux",
    "com1-in-folder": "sub/COM1.txt",
}

# The zip bomb's expansion (from 260 KB): more than the small drive of the free-space tests holds,
# yet written in a few seconds where it fits.
BOMB_SIZE = 256 << 20


def hostile_cases():
    """Case -> (entries, bytes cut from the end of the central directory): what both the extraction
    archive and the product package of the case carry."""
    bomb, bomb_crc = deflated_zeros(BOMB_SIZE)
    cases = {"unsafe-" + tag: [Entry(name, b"evil")] for tag, name in UNSAFE_NAMES.items()}
    cases.update({
        "long-component": [Entry("a" * 300 + ".txt", b"long")],
        "deep-path": [Entry("/".join("level%02d-%s" % (i, "d" * 20) for i in range(12)) + "/deep.txt", b"deep")],
        "dir-then-file": [Entry("d/"), Entry("d", b"a file named like the folder")],
        # More than any disk holds; zip64 sizes declared in the central directory.
        "huge-declared-size": [Entry("huge.bin", bytes(1024), size=1 << 50)],
        # Two sizes whose 64-bit sum wraps around to 1.
        "wrapping-declared-sizes": [Entry("wrap1.bin", bytes(16), size=(1 << 64) - 2),
                                    Entry("wrap2.bin", bytes(16), size=3)],
        # The zip bomb's data declared as 100 bytes: it must stop near there, not at 256 MiB.
        "understated-size": [Entry("understated.bin", raw_data=bomb, size=100, crc=bomb_crc)],
        "zip-bomb": [Entry("zeros.bin", raw_data=bomb, size=BOMB_SIZE, crc=bomb_crc)],
    })
    cases = {tag: (entries, 0) for tag, entries in cases.items()}
    # The end record declares the whole central directory; the file holds 40 bytes less of it.
    cases["truncated-central-directory"] = ([Entry("more.txt", b"more")], 40)
    return cases


def hostile_packages(good, built):
    """The hostile corpus as product packages, plus what only a package can carry: images the
    verification must find, and duplicates of a manifest file."""
    packages = {tag: Archive(good + entries, cut) for tag, (entries, cut) in hostile_cases().items()}
    packages.update({
        "planted-unsigned-dll": good + [Entry("version.dll", built["library-unsigned"])],
        # A PE image in a sub-folder under a name no loader would pick, signed by someone else.
        "planted-foreign-codec": good + [Entry("plugins/codec.bin", built["library-foreign"])],
        # Manifest names are checked by name at the top level only.
        "nested-manifest-name": good + [Entry("sub/Uninstall.exe", built["library-unsigned"])],
        "harmless-dll-name": good + [Entry("notes.dll", b"Plain text, whatever its name says.\r\n")],
        # The later of two entries with one name is what lands on disk.
        "duplicate-main-foreign-later": good + [Entry("Orbelin.exe", built["main-foreign"])],
        "duplicate-main-case-foreign-later": good + [Entry("ORBELIN.EXE", built["main-foreign"])],
        "duplicate-main-genuine-later": [Entry("Orbelin.exe", built["main-foreign"])] + good,
    })
    return packages


# ---------------------------------------------------------------------------------------------
# Product packages
# ---------------------------------------------------------------------------------------------

def product_files(built, dlls):
    """The eleven manifest files of a correct package, in manifest order, signed by the publisher."""
    files = [("Orbelin.exe", built["main"]), ("Uninstall.exe", built["uninstaller"])]
    files += [(dll, built["library"]) for dll in dlls]
    return files


def replaced(files, name, data):
    return [(n, data if n == name else d) for n, d in files]


def package_variants(built, dlls):
    good = product_files(built, dlls)
    filter_dll = dlls[-1]  # the last manifest entry
    foreign = [("Orbelin.exe", built["main-foreign"]), ("Uninstall.exe", built["uninstaller-foreign"])]
    foreign += [(dll, built["library-foreign"]) for dll in dlls]
    untrusted = [("Orbelin.exe", built["main-untrusted"]), ("Uninstall.exe", built["uninstaller-untrusted"])]
    untrusted += [(dll, built["library-untrusted"]) for dll in dlls]
    entries = lambda files, **kw: [Entry(n, d, **kw) for n, d in files]
    return {
        "good": entries(good),
        "foreign-signature": entries(foreign),
        "untrusted-root": entries(untrusted),
        "unsigned-filter": entries(replaced(good, filter_dll, built["library-unsigned"])),
        "tampered-filter": entries(replaced(good, filter_dll, tamper(built["library"]))),
        "missing-filter": entries(good[:-1]),
        "wrong-file-version": entries(replaced(good, "Orbelin.exe", built["main-wrong-file-version"])),
        "missing-uninstaller": entries([f for f in good if f[0] != "Uninstall.exe"]),
        "missing-both": entries(good[2:]),
        "top-level-folder": [Entry("Orbelin/")] + [Entry("Orbelin/" + n, d) for n, d in good],
        "encrypted-entry": entries(good[:1]) + [Entry(good[1][0], good[1][1], encrypt=True)] + entries(good[2:]),
        "crc-corrupt-entry": entries(good[:1]) + [Entry(good[1][0], good[1][1], deflate=False, corrupt=True)]
        + entries(good[2:]),
        "zero-entries": [],
        **hostile_packages(entries(good), built),
    }


# ---------------------------------------------------------------------------------------------
# Extraction test archives
# ---------------------------------------------------------------------------------------------

def extraction_archives():
    text = lambda s: s.encode("utf-8")
    archives = {
        "three-entries": [Entry("one.txt", b"1" * 100), Entry("sub/two.txt", b"2" * 200),
                          Entry("three.bin", b"3" * 3000, deflate=False)],
        "two-hundred-entries": [Entry("many/f%03d.txt" % i, text("file %d" % i)) for i in range(200)],
        "subfolders-only": [Entry("x/y/z/deep.txt", b"deep"), Entry("x/other.txt", b"other"),
                            Entry("w/v.txt", b"v")],
        "directory-entries": [Entry("emptydir/"), Entry("d/"), Entry("d/f.txt", b"f")],
        "dot-component": [Entry("a/./b.dll", b"dot")],
        "double-separator": [Entry("a//b.dll", b"double")],
        "backslash-separators": [Entry(b"win\\style\\name.txt", b"backslash")],
        "replace": [Entry("same.txt", b"new")],
        "non-ascii-names": [Entry("欧贝林/说明.txt", text("说明")), Entry("数据.dll", text("数据"))],
        # "测试.txt" in GBK: not UTF-8, so the name turns into replacement characters.
        "legacy-codepage-name": [Entry(b"\xb2\xe2\xca\xd4.txt", b"legacy")],
        "zero-entries": [],
        "encrypted-entry": [Entry("plain.txt", b"plain"), Entry("secret.txt", b"secret data", encrypt=True),
                            Entry("after.txt", b"after")],
        "crc-corrupt-entry": [Entry("good.txt", b"good"), Entry("bad.txt", b"bad data!", deflate=False, corrupt=True),
                              Entry("after.txt", b"after")],
        "corrupt-deflate": [Entry("good.txt", b"good"),
                            Entry("broken.bin", b"x" * 64, raw_data=b"\xff\xff\xff\xff" * 4),
                            Entry("after.txt", b"after")],
    }
    cases = hostile_cases()
    cases["duplicate-name"] = ([Entry("dup.txt", b"earlier"), Entry("dup.txt", b"later")], 0)
    cases["duplicate-name-case"] = ([Entry("Dup.txt", b"earlier"), Entry("DUP.TXT", b"later")], 0)
    for tag, (entries, cut) in cases.items():
        archives[tag] = Archive([Entry("first.txt", b"first")] + entries + [Entry("after.txt", b"after")], cut)
    return archives


# ---------------------------------------------------------------------------------------------

def build_programs(tools, out, ca, publisher, foreign, untrusted, version):
    work = os.path.join(out, "bin")
    os.makedirs(work)
    plain = {
        "main": build_pe(tools, work, "Orbelin.exe", version, version),
        "uninstaller": build_pe(tools, work, "Uninstall.exe", version, version),
        "library": build_pe(tools, work, "library.dll", version, version),
        # Right product version, wrong file version: only the file version counts.
        "main-wrong-file-version": build_pe(tools, work, "Orbelin.exe", "1.0.0.48", version),
    }
    built = {"library-unsigned": read(plain["library"])}
    for key, path in plain.items():
        signed = path + ".signed"
        sign(publisher, ca, path, signed)
        built[key] = read(signed)
    for key in ("main", "uninstaller", "library"):
        signed = plain[key] + ".foreign"
        sign(foreign, ca, plain[key], signed)
        built[key + "-foreign"] = read(signed)
        signed = plain[key] + ".untrusted"
        sign(untrusted[1], untrusted[0], plain[key], signed)
        built[key + "-untrusted"] = read(signed)
    return built


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--dlls", required=True, help="the nine manifest DLL names, comma-separated")
    parser.add_argument("--version", default="1.0.0.49")
    parser.add_argument("--cc", default="i686-w64-mingw32-gcc")
    parser.add_argument("--windres", default="i686-w64-mingw32-windres")
    tools = parser.parse_args()
    dlls = [d for d in tools.dlls.split(",") if d]
    if len(dlls) != 9:
        sys.exit("make_testpkg: --dlls must name nine DLLs, not %d" % len(dlls))

    out = tools.out
    shutil.rmtree(out, ignore_errors=True)
    ca, publisher, foreign, untrusted = make_certificates(os.path.join(out, "certs"))
    built = build_programs(tools, out, ca, publisher, foreign, untrusted, tools.version)

    for folder, archives in (("packages", package_variants(built, dlls)), ("zips", extraction_archives())):
        os.makedirs(os.path.join(out, folder))
        for name, archive in archives.items():
            if not isinstance(archive, Archive):
                archive = Archive(archive)
            write_zip(os.path.join(out, folder, name + ".zip"), archive.entries, archive.cut_central)
    with open(os.path.join(out, "stamp"), "w") as f:
        f.write(tools.version + "\n")


if __name__ == "__main__":
    main()
