"""An SMTP server for the client's tests of the secure path.

Runs aiosmtpd on 127.0.0.1 with a certificate and key, storing what it
receives in a Maildir:

  secure_smtp_server.py PORT CERT KEY MAILDIR MODE USER PASSWORD [EXCLUDE]

MODE is "starttls" (STARTTLS and a login required before any mail) or "tls"
(TLS from the first byte, login required). EXCLUDE names login mechanisms the
server does not offer, comma separated (for example PLAIN). Runs until it is
sent SIGTERM.
"""
import signal
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import AuthResult


def main():
    port, cert, key, maildir, mode, user, password = sys.argv[1:8]
    exclude = [m for m in (sys.argv[8] if len(sys.argv) > 8 else "").split(",") if m]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == user.encode() and auth_data.password == password.encode()
        return AuthResult(success=ok, handled=False)

    options = dict(hostname="127.0.0.1", port=int(port), authenticator=authenticator,
                   auth_required=True, auth_exclude_mechanism=exclude)
    if mode == "tls":
        # The whole session runs inside TLS; aiosmtpd only knows of TLS it
        # started itself, so it is told not to wait for that before AUTH.
        options.update(ssl_context=context, auth_require_tls=False, ready_timeout=30)
    else:
        options.update(tls_context=context, require_starttls=True)
    controller = Controller(Mailbox(maildir), **options)
    controller.start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
