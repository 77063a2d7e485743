#!/usr/bin/env python3
# Copies a UTF-8 source file with every non-ASCII character written as the octal escapes of its
# GBK bytes, for compilers that cannot turn narrow literals into GBK themselves (clang takes
# only UTF-8 for -fexec-charset). Inside a narrow literal the escapes give exactly the bytes
# -fexec-charset=GBK gives; inside a comment they are harmless; anywhere else the compiler
# stops, as it should. A character outside GBK is an error here, as it is for the compiler.
import sys


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    out = []
    for line_no, line in enumerate(text.splitlines(keepends=True), 1):
        for ch in line:
            if ord(ch) < 0x80:
                out.append(ch)
                continue
            try:
                encoded = ch.encode("gbk")
            except UnicodeEncodeError:
                sys.exit(f"{source}:{line_no}: {ch!r} has no GBK encoding")
            out.append("".join(f"\\{b:03o}" for b in encoded))
    with open(target, "w", encoding="ascii", newline="") as f:
        f.write("".join(out))


main()
