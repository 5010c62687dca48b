#!/usr/bin/python3
"""A PC/SC host's view of the simulated card, through pcscd and pyscard.

Waits for the reader, reads the ATR, runs GetVersion, selects an
application, sees an AES authentication with a wrong key fail with 91 AE,
authenticates with the right key and reads an enciphered file. AES comes
from the openssl program, so that nothing beyond pyscard is needed.

usage: pcsc_card_check.py READER_PREFIX ATR AID KEY FILE_NO EXPECTED_DATA
(all but READER_PREFIX and FILE_NO in hexadecimal; AID as 6 digits, most
significant first). Exit 0 when everything holds, 1 with a message when not,
77 when no such reader shows up.
"""
import os
import subprocess
import sys
import time
import zlib

from smartcard.Exceptions import CardConnectionException, NoCardException
from smartcard.System import readers
from smartcard.pcsc.PCSCExceptions import EstablishContextException, ListReadersException


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


def aes_cbc(key, iv, data, decrypt=False):
    args = ["openssl", "enc", "-aes-128-cbc", "-K", key.hex(), "-iv", iv.hex(), "-nopad"]
    if decrypt:
        args.append("-d")
    return subprocess.run(args, input=data, capture_output=True, check=True).stdout


def shift_left(block):
    value = (int.from_bytes(block, "big") << 1) & ((1 << 128) - 1)
    out = value.to_bytes(16, "big")
    if block[0] & 0x80:
        out = out[:15] + bytes([out[15] ^ 0x87])
    return out


def cmac(key, iv, message):
    """SP 800-38B CMAC with the CBC chain started from iv: the full last block."""
    k1 = shift_left(aes_cbc(key, bytes(16), bytes(16)))
    k2 = shift_left(k1)
    if message and len(message) % 16 == 0:
        last = bytes(a ^ b for a, b in zip(message[-16:], k1))
    else:
        tail = message[len(message) // 16 * 16:] + b"\x80"
        tail += bytes(16 - len(tail))
        last = bytes(a ^ b for a, b in zip(tail, k2))
    padded = message[: (len(message) - 1) // 16 * 16] if message else b""
    return aes_cbc(key, iv, padded + last)[-16:]


def crc32(data):
    return (~zlib.crc32(data)) & 0xFFFFFFFF


class Card:
    def __init__(self, connection):
        self.connection = connection

    def native(self, command, data=b""):
        apdu = [0x90, command, 0, 0] + ([len(data)] + list(data) if data else []) + [0]
        response, sw1, sw2 = self.connection.transmit(apdu)
        if sw1 != 0x91:
            fail("command %02X: status word %02X %02X" % (command, sw1, sw2))
        return sw2, bytes(response)


def wait_for_card(prefix, seconds=15):
    end = time.monotonic() + seconds
    last = None
    while time.monotonic() < end:
        try:
            for reader in readers():
                if str(reader).startswith(prefix):
                    connection = reader.createConnection()
                    connection.connect()
                    return connection
            last = "no reader named %s... among %s" % (prefix, [str(r) for r in readers()])
        except (NoCardException, CardConnectionException) as e:
            last = "reader without card: %s" % e
        except (EstablishContextException, ListReadersException) as e:
            last = "pcscd: %s" % e
        time.sleep(0.2)
    if last is None or last.startswith("no reader named"):
        print("SKIP: %s" % last)
        sys.exit(77)
    fail(last)


def authenticate_aes(card, key):
    status, challenge = card.native(0xAA, b"\x00")
    if status != 0xAF or len(challenge) != 16:
        fail("AuthenticateAES: first answer %02X %s" % (status, challenge.hex()))
    rnd_b = aes_cbc(key, bytes(16), challenge, decrypt=True)
    rnd_a = os.urandom(16)
    token = aes_cbc(key, challenge, rnd_a + rnd_b[1:] + rnd_b[:1])
    status, proof = card.native(0xAF, token)
    if status != 0x00:
        return status, None
    if aes_cbc(key, token[-16:], proof, decrypt=True) != rnd_a[1:] + rnd_a[:1]:
        fail("AuthenticateAES: the card's proof does not match RndA")
    return status, rnd_a[:4] + rnd_b[:4] + rnd_a[12:] + rnd_b[12:]


def main():
    prefix, atr, aid, key, file_no, expected = sys.argv[1:7]
    key, expected, file_no = bytes.fromhex(key), bytes.fromhex(expected), int(file_no)
    connection = wait_for_card(prefix)
    if bytes(connection.getATR()) != bytes.fromhex(atr):
        fail("ATR %s, expected %s" % (bytes(connection.getATR()).hex(), atr))
    card = Card(connection)

    status, version = card.native(0x60)
    while status == 0xAF:
        status, more = card.native(0xAF)
        version += more
    if status != 0x00 or len(version) != 28 or version[0] != 0x04:
        fail("GetVersion: %02X %s" % (status, version.hex()))

    select = bytes.fromhex(aid)[::-1]
    if card.native(0x5A, select)[0] != 0x00:
        fail("SelectApplication")
    status, _ = authenticate_aes(card, bytes(16) if key != bytes(16) else b"\x01" * 16)
    if status != 0xAE:
        fail("AuthenticateAES with a wrong key: status %02X, expected AE" % status)
    status, session_key = authenticate_aes(card, key)
    if status != 0x00:
        fail("AuthenticateAES: status %02X" % status)

    command = bytes([0xBD, file_no]) + bytes(3) + len(expected).to_bytes(3, "little")
    iv = cmac(session_key, bytes(16), command)
    status, cipher = card.native(0xBD, command[1:])
    if status != 0x00 or len(cipher) % 16:
        fail("ReadData: status %02X, %d bytes" % (status, len(cipher)))
    plain = aes_cbc(session_key, iv, cipher, decrypt=True)
    data, crc = plain[: len(expected)], plain[len(expected) : len(expected) + 4]
    if int.from_bytes(crc, "little") != crc32(data + b"\x00"):
        fail("ReadData: CRC32 does not match")
    if data != expected:
        fail("ReadData: %s, expected %s" % (data.hex(), expected.hex()))
    connection.disconnect()
    print("ok")


if __name__ == "__main__":
    main()
