"""Mail peers for the mail tests, on 127.0.0.1 only.

  smtp_peer.py serve DIR [--reject ADDR] [--tls CERT KEY] [--auth USER:PASSWORD]
      An aiosmtpd server. Each message received is written to DIR as
      N.eml (the bytes as delivered) and N.json (the envelope).
  smtp_peer.py silent
      Accepts connections and never answers.
  smtp_peer.py drop-in-data
      Answers like a server up to DATA, then closes the connection after the
      first bytes of the message.
  smtp_peer.py parse FILE
      Prints the message parsed by Python's email package as JSON.

A server prints "PORT <n>" once listening and stops when its standard
input closes.
"""
import asyncio
import hashlib
import json
import os
import socket
import ssl
import sys
import threading
import warnings
from email import policy
from email.parser import BytesParser


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def announce(port):
    print("PORT %d" % port, flush=True)


def wait_for_stdin_close():
    sys.stdin.read()


def serve(args):
    warnings.simplefilter("ignore", DeprecationWarning)
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword

    folder = args[0]
    reject = set()
    tls = None
    credentials = None
    i = 1
    while i < len(args):
        if args[i] == "--reject":
            reject.add(args[i + 1].lower())
            i += 2
        elif args[i] == "--tls":
            tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            tls.load_cert_chain(args[i + 1], args[i + 2])
            i += 3
        elif args[i] == "--auth":
            credentials = args[i + 1].split(":", 1)
            i += 2
        else:
            raise SystemExit("unknown option " + args[i])

    class Handler:
        count = 0

        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            if address.lower() in reject:
                return "550 5.1.1 <%s>: Recipient address rejected" % address
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            Handler.count += 1
            base = os.path.join(folder, "%d" % Handler.count)
            with open(base + ".eml", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".json", "w") as f:
                json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos,
                           "authenticated": bool(getattr(session, "authenticated", False)),
                           "tls": session.ssl is not None}, f)
            return "250 Message accepted for delivery"

    def authenticator(server, session, envelope, mechanism, auth_data):
        if isinstance(auth_data, LoginPassword) and credentials is not None:
            ok = (auth_data.login.decode() == credentials[0]
                  and auth_data.password.decode() == credentials[1])
            return AuthResult(success=ok, handled=False)
        return AuthResult(success=False, handled=False)

    port = free_port()
    kwargs = {"hostname": "127.0.0.1", "port": port, "data_size_limit": 64 * 1024 * 1024}
    if tls is not None:
        kwargs.update(tls_context=tls, require_starttls=True)
    if credentials is not None:
        kwargs.update(authenticator=authenticator, auth_required=True,
                      auth_require_tls=tls is not None)
    controller = Controller(Handler(), **kwargs)
    controller.start()
    announce(port)
    wait_for_stdin_close()
    controller.stop()


def raw_server(script):
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(5)
    announce(listener.getsockname()[1])

    def run():
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=script, args=(connection,), daemon=True).start()

    threading.Thread(target=run, daemon=True).start()
    wait_for_stdin_close()
    listener.close()


def silent(connection):
    # Holds the connection open without a word until the client gives up.
    try:
        while connection.recv(4096):
            pass
    except OSError:
        pass


def drop_in_data(connection):
    reader = connection.makefile("rb")
    connection.sendall(b"220 peer ESMTP\r\n")
    try:
        for line in reader:
            command = line.strip().upper()
            if command.startswith(b"EHLO"):
                connection.sendall(b"250-peer\r\n250 SIZE 100000000\r\n")
            elif command.startswith(b"HELO") or command.startswith(b"MAIL") or command.startswith(b"RCPT"):
                connection.sendall(b"250 OK\r\n")
            elif command == b"DATA":
                connection.sendall(b"354 Go ahead\r\n")
                reader.read(1024)
                break
            elif command == b"QUIT":
                connection.sendall(b"221 Bye\r\n")
                break
            else:
                connection.sendall(b"500 What\r\n")
    finally:
        connection.shutdown(socket.SHUT_RDWR)
        connection.close()


def parse(path):
    with open(path, "rb") as f:
        raw = f.read()
    message = BytesParser(policy=policy.default).parsebytes(raw)

    def structure(part):
        node = {"type": part.get_content_type()}
        if part.is_multipart():
            node["parts"] = [structure(p) for p in part.iter_parts()]
        else:
            node["encoding"] = part.get("Content-Transfer-Encoding", "")
            node["filename"] = part.get_filename()
            payload = part.get_payload(decode=True) or b""
            node["size"] = len(payload)
            node["sha256"] = hashlib.sha256(payload).hexdigest()
            if part.get_content_maintype() == "text":
                node["text"] = part.get_content()
        return node

    headers = {}
    for name, value in message.items():
        headers.setdefault(name.lower(), []).append(str(value))
    print(json.dumps({
        "headers": headers,
        "raw_header_lines": raw.split(b"\r\n\r\n", 1)[0].decode("ascii", "replace").split("\r\n"),
        "defects": [type(d).__name__ for d in message.defects],
        "structure": structure(message),
    }, ensure_ascii=False))


def main():
    mode = sys.argv[1]
    if mode == "serve":
        serve(sys.argv[2:])
    elif mode == "silent":
        raw_server(silent)
    elif mode == "drop-in-data":
        raw_server(drop_in_data)
    elif mode == "parse":
        parse(sys.argv[2])
    else:
        raise SystemExit("unknown mode " + mode)


if __name__ == "__main__":
    main()
