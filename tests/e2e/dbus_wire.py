"""A minimal D-Bus client on the wire, for what the command-line clients cannot do: send
thousands of calls a second on one connection, send arguments of the wrong type, and own a name.
Little-endian messages, the basic types, byte arrays and variants of them only. Standard library only.
"""

import os
import re
import socket
import struct

METHOD_CALL, METHOD_RETURN, ERROR, SIGNAL = 1, 2, 3, 4
NO_REPLY_EXPECTED = 0x1
_PATH, _INTERFACE, _MEMBER, _ERROR_NAME, _REPLY_SERIAL, _DESTINATION, _SIGNATURE = (
    1, 2, 3, 4, 5, 6, 8)
_ALIGN = {"y": 1, "ay": 4, "b": 4, "u": 4, "i": 4, "x": 8, "d": 8, "s": 4, "o": 4, "g": 1, "v": 1}


class _Writer:
    def __init__(self):
        self.data = bytearray()

    def align(self, n):
        self.data += b"\0" * (-len(self.data) % n)

    def put(self, code, value):
        self.align(_ALIGN[code])
        if code == "y":
            self.data.append(value)
        elif code in "bu":
            self.data += struct.pack("<I", int(value))
        elif code == "i":
            self.data += struct.pack("<i", value)
        elif code == "x":
            self.data += struct.pack("<q", value)
        elif code == "d":
            self.data += struct.pack("<d", value)
        elif code in "so":
            raw = value.encode()
            self.data += struct.pack("<I", len(raw)) + raw + b"\0"
        elif code == "g":
            raw = value.encode()
            self.data += bytes([len(raw)]) + raw + b"\0"
        elif code == "ay":
            self.align(4)
            self.data += struct.pack("<I", len(value)) + bytes(value)
        elif code == "v":
            inner, inner_value = value
            self.put("g", inner)
            self.put(inner, inner_value)


class _Reader:
    def __init__(self, data, offset=0):
        self.data, self.offset = data, offset

    def get(self, code):
        self.offset += -self.offset % _ALIGN[code]
        d, o = self.data, self.offset
        if code == "y":
            self.offset += 1
            return d[o]
        if code in "bu":
            self.offset += 4
            return struct.unpack_from("<I", d, o)[0]
        if code == "i":
            self.offset += 4
            return struct.unpack_from("<i", d, o)[0]
        if code in "xd":
            self.offset += 8
            return struct.unpack_from("<q" if code == "x" else "<d", d, o)[0]
        if code in "so":
            length = struct.unpack_from("<I", d, o)[0]
            self.offset += 4 + length + 1
            return d[o + 4:o + 4 + length].decode()
        if code == "g":
            length = d[o]
            self.offset += 1 + length + 1
            return d[o + 1:o + 1 + length].decode()
        if code == "v":
            inner = self.get("g")
            return self.get(inner) if len(inner) == 1 else None
        raise ValueError("type %s" % code)


def message(destination, path, interface, member, signature="", args=(), serial=1, flags=0):
    fields = [(_PATH, "o", path), (_MEMBER, "s", member), (_DESTINATION, "s", destination)]
    if interface:
        fields.append((_INTERFACE, "s", interface))
    if signature:
        fields.append((_SIGNATURE, "g", signature))
    body = _Writer()
    for code, value in zip(re.findall(r"ay|.", signature), args):
        body.put(code, value)
    header = _Writer()
    header.data += struct.pack("<cBBBII", b"l", METHOD_CALL, flags, 1, len(body.data), serial)
    array = _Writer()
    for code, kind, value in fields:
        array.align(8)
        array.put("y", code)
        array.put("v", (kind, value))
    header.data += struct.pack("<I", len(array.data))
    header.align(8)  # the array's elements start 8-aligned: at offset 16
    header.data += array.data
    header.align(8)
    return bytes(header.data + body.data)


class Connection:
    def __init__(self, address):
        assert address.startswith("unix:path=")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(30)
        self.sock.connect(address[len("unix:path="):])
        self.sock.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() +
                          b"\r\n")
        reply = b""
        while not reply.endswith(b"\r\n"):
            reply += self.sock.recv(256)
        assert reply.startswith(b"OK"), reply
        self.sock.sendall(b"BEGIN\r\n")
        self.buffer = b""
        self.serial = 0
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "Hello")

    def send(self, destination, path, interface, member, signature="", args=(), flags=0):
        """Sends a call; returns its serial."""
        self.serial += 1
        self.sock.sendall(message(destination, path, interface, member, signature, args,
                                  self.serial, flags))
        return self.serial

    def receive(self):
        """The next message: (type, reply serial, error name, first argument or None, member)."""
        while True:
            if len(self.buffer) >= 16:
                body_length, _, fields_length = struct.unpack_from("<III", self.buffer, 4)
                header_length = 16 + fields_length + (-(16 + fields_length) % 8)
                total = header_length + body_length
                if len(self.buffer) >= total:
                    data, self.buffer = self.buffer[:total], self.buffer[total:]
                    return self._parse(data, header_length, fields_length)
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("the bus closed the connection")
            self.buffer += chunk

    @staticmethod
    def _parse(data, header_length, fields_length):
        fields = {}
        reader = _Reader(data, 16)
        while reader.offset < 16 + fields_length:
            reader.offset += -reader.offset % 8
            code = reader.get("y")
            fields[code] = reader.get("v")
        signature = fields.get(_SIGNATURE, "")
        first = _Reader(data, header_length).get(signature[0]) if signature[:1] in _ALIGN else None
        return (data[1], fields.get(_REPLY_SERIAL), fields.get(_ERROR_NAME), first,
                fields.get(_MEMBER))

    def call(self, *args, **kwargs):
        """Sends a call and waits for its answer: (error name or None, first argument)."""
        serial = self.send(*args, **kwargs)
        while True:
            kind, reply_to, error, first, _ = self.receive()
            if kind in (METHOD_RETURN, ERROR) and reply_to == serial:
                return error, first

    def wait_signal(self, member):
        """Reads until a signal named member arrives."""
        while True:
            kind, _, _, _, name = self.receive()
            if kind == SIGNAL and name == member:
                return

    def close(self):
        self.sock.close()
