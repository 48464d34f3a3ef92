#!/usr/bin/env python3
"""Method 25 of clsCrypto written and read by an independent implementation (Python's
`cryptography` package), from its published layout alone.

  sealed.py make FOLDER    seals texts and a file of several segments for the library to open
  sealed.py check FOLDER   opens what the library sealed, and checks its layout

Texts travel in texts-*.txt, one per line: password|plain|sealed, the first two as the hexadecimal
UTF-16 code units of their characters, the sealed form as the library's hexadecimal conversion.
"""
import os
import struct
import sys

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.pbkdf2 import PBKDF2HMAC

MAGIC = b"WXSEAL"
HEADER = 40
TAG = 16


def utf8(text):
    # Lone surrogates keep their own three bytes.
    return text.encode("utf-8", "surrogatepass")


def key_of(password, salt, iterations):
    return PBKDF2HMAC(algorithm=hashes.SHA256(), length=32, salt=salt, iterations=iterations).derive(utf8(password))


def seal(password, plain, iterations=100000, segment=1 << 20):
    salt, base = os.urandom(16), os.urandom(8)
    header = MAGIC + bytes([1, 0]) + struct.pack("<II", iterations, segment) + salt + base
    aes = AESGCM(key_of(password, salt, iterations))
    pieces = [plain[i:i + segment] for i in range(0, len(plain), segment)] or [b""]
    out = [header]
    for i, piece in enumerate(pieces):
        last = i == len(pieces) - 1
        out.append(aes.encrypt(base + struct.pack(">I", i), piece, header + bytes([1 if last else 0])))
    return b"".join(out)


def open_sealed(password, data):
    header = data[:HEADER]
    assert len(header) == HEADER and header[:6] == MAGIC and header[6:8] == b"\x01\x00", "not a sealed header"
    iterations, segment = struct.unpack("<II", header[8:16])
    assert 100000 <= iterations <= 10000000, iterations
    salt, base = header[16:32], header[32:40]
    aes = AESGCM(key_of(password, salt, iterations))
    body = data[HEADER:]
    chunks = [body[i:i + segment + TAG] for i in range(0, len(body), segment + TAG)]
    plain = []
    for i, chunk in enumerate(chunks):
        last = i == len(chunks) - 1
        plain.append(aes.decrypt(base + struct.pack(">I", i), chunk, header + bytes([1 if last else 0])))
    return b"".join(plain), iterations, segment, len(chunks)


def hex16(text):
    return text.encode("utf-16-be", "surrogatepass").hex().upper()


def text16(hex_text):
    return bytes.fromhex(hex_text).decode("utf-16-be", "surrogatepass") if hex_text else ""


TEXTS = [
    ("秘密の鍵", "会議は5時"),
    ("пароль", "Meet Дми at 5"),
    ("", ""),
    ("pass\u00e9", "x\ud800y \U0001F600 end"),
    ("Kennwort", "A" * 5000),
    ("a password longer than the hash's block: " * 3 + "\u00e9", "long password"),
]


def make(folder):
    with open(os.path.join(folder, "texts-python.txt"), "w") as f:
        for password, plain in TEXTS:
            f.write("%s|%s|%s\n" % (hex16(password), hex16(plain), seal(password, utf8(plain)).hex().upper()))
    content = bytes((i * 7 + i // 251) & 0xFF for i in range(3 * 4096 + 1000))
    with open(os.path.join(folder, "file-python.plain"), "wb") as f:
        f.write(content)
    with open(os.path.join(folder, "file-python.sealed"), "wb") as f:
        f.write(seal("Dateiпароль", content, iterations=100000, segment=4096))


def check(folder):
    failures = 0
    with open(os.path.join(folder, "texts-library.txt")) as f:
        lines = [line.strip() for line in f if line.strip()]
    assert lines, "the library wrote no texts"
    seen = set()
    for line in lines:
        password, plain, sealed = line.split("|")
        data = bytes.fromhex(sealed)
        opened, iterations, segment, segments = open_sealed(text16(password), data)
        if opened.decode("utf-8", "surrogatepass") != text16(plain):
            print("FAIL: text %r opened as %r" % (text16(plain), opened))
            failures += 1
        if data[16:40] in seen:
            print("FAIL: salt and nonce base repeated")
            failures += 1
        seen.add(data[16:40])
        try:
            open_sealed(text16(password) + "x", data)
            print("FAIL: a wrong password opened a text")
            failures += 1
        except InvalidTag:
            pass
    with open(os.path.join(folder, "file-library.sealed"), "rb") as f:
        data = f.read()
    with open(os.path.join(folder, "file-library.plain"), "rb") as f:
        expected = f.read()
    opened, iterations, segment, segments = open_sealed("Dateiпароль", data)
    if opened != expected or segments < 2:
        print("FAIL: the library's file (%d segments of %d bytes) opened wrongly" % (segments, segment))
        failures += 1
    print("%d texts and a file of %d segments opened, %d failed" % (len(lines), segments, failures))
    return failures


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        sys.exit(__doc__)
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        sys.exit(1 if check(sys.argv[2]) else 0)
