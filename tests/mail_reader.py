"""Reads one message as a mail program would, with Python's email package, and prints what it found as JSON:
the decoded subject and body, and every rule of the message format it breaks. Used by the tests as a reader
independent of the program's own code."""
import base64
import binascii
import email
import email.policy
import json
import quopri
import re
import sys

raw = open(sys.argv[1], "rb").read()
problems = []
head, _, _ = raw.partition(b"\r\n\r\n")
for line in raw.split(b"\r\n"):
    if len(line) > 998:
        problems.append(f"line of {len(line)} octets")
    if b"\n" in line or b"\r" in line:
        problems.append("bare line break")
for line in head.split(b"\r\n"):
    if b"=?" in line and len(line) > 76:
        problems.append(f"header line with encoded words of {len(line)} characters")
for word in re.findall(rb"=\?[^?\s]+\?[BbQq]\?[^?\s]*\?=", head):
    if len(word) > 75:
        problems.append(f"encoded word of {len(word)} characters")
    charset, encoding, text = word[2:-2].split(b"?")
    try:
        data = base64.b64decode(text, validate=True) if encoding in b"Bb" else quopri.decodestring(
            text.replace(b"_", b" "), header=True)
        data.decode(charset.decode("ascii"), errors="strict")
    except (binascii.Error, UnicodeDecodeError, LookupError) as e:
        problems.append(f"encoded word {word!r} does not decode alone: {e}")
message = email.message_from_bytes(raw, policy=email.policy.default)
if message["Content-Transfer-Encoding"] in ("7bit", "quoted-printable") and any(b > 127 for b in raw):
    problems.append("8-bit octets in a 7-bit message")
body = message.get_content().replace("\r\n", "\n")
print(json.dumps({"subject": str(message["Subject"]), "body": body, "problems": problems}))
