#!/usr/bin/env python3
"""The layout check on small trees of its own: what it must refuse and what it must let through."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECK = Path(__file__).resolve().parents[2] / "cmake" / "check_layout.py"


def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = Path(root) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        done = subprocess.run([sys.executable, str(CHECK), root], capture_output=True, text=True)
        return done.returncode, done.stderr


class LayoutCheckTest(unittest.TestCase):
    def test_refused(self):
        rows = [
            ("mail/a.h", '#include <windows.h>\n', "may not include <windows.h>"),
            ("net/a.cpp", '#include <sys/socket.h>\n', "may not include <sys/socket.h>"),
            ("app/a.cpp", '#include <QWidget>\n', "may not include <QWidget>"),
            ("ports/a.h", '#include "app/application.h"\n', "ports/ may not include app/"),
            ("fake/a.h", '#include "settings/settings.h"\n', "fake/ may not include settings/"),
            ("pop3/a.cpp", '#include "mail/account.h"\n', "pop3/ may not include mail/"),
            ("imap/a.cpp", '#include "mail/account.h"\n', "imap/ may not include mail/"),
            ("pop3/a.h", '#include "imap/imap_response.h"\n', "pop3/ may not include imap/"),
            ("imap/a.h", '#include "pop3/pop3_client.h"\n', "imap/ may not include pop3/"),
            ("message/a.h", '#include "pop3/server_reply.h"\n', "message/ may not include pop3/"),
            ("text/a.h", '#include "net/exceptions.h"\n', "text/ may not include net/"),
            ("monitor/a.cpp", '#include "win32/win32_window.h"\n', "may not include win32/"),
            ("qt/qt_window.cpp", '#include "app/application.h"\n', "qt/ may not include app/"),
            ("win32/a.cpp", '#include "qt/qt_shell.h"\n', "win32/ may not include qt/"),
            ("platform/a.h", "", "no room of the layout"),
            ("oauth/a.cpp", '#include "mail/account.h"\n', "oauth/ may not include mail/"),
            ("mail/a.cpp", '#include <nlohmann/json.hpp>\n', "may not include <nlohmann/json.hpp>"),
        ]
        for path, text, said in rows:
            with self.subTest(path=path, text=text):
                status, report = run_check({path: text})
                self.assertEqual(status, 1)
                self.assertIn(said, report)

    def test_let_through(self):
        status, report = run_check({
            "app/a.cpp": '#include "mail/mail_watch.h"\n#include <vector>\n',
            "mail/a.cpp": '#include "pop3/pop3_client.h"\n#include "ports/desktop.h"\n',
            "imap/a.cpp": '#include "message/mail_message.h"\n#include "net/exceptions.h"\n',
            "win32/main.cpp": '#include "app/application.h"\n#include <windows.h>\n',
            "qt/main.cpp": '#include "app/application.h"\n#include "linux/user_files.h"\n',
            "linux/a.cpp": '#include "net/socket_entries.h"\n#include <dlfcn.h>\n',
            "ports/a.h": '  #  include "ports/geometry.h"\n',
            "oauth/a.cpp": '#include "net/sasl.h"\n#include <nlohmann/json.hpp>\n',
        })
        self.assertEqual((status, report), (0, ""))


if __name__ == "__main__":
    unittest.main()
