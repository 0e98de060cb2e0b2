"""A throwaway RFC 3161 timestamp server for the packaging test: answers each POSTed query with
`openssl ts -reply` under the given configuration, on 127.0.0.1 at a free port that it writes
into PORTFILE once it listens.

usage: timestamp_server.py OPENSSL_TS_CONFIG PORTFILE
"""
import http.server
import os
import subprocess
import sys
import tempfile

config, portfile = sys.argv[1], sys.argv[2]


class TimestampAuthority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers['Content-Length']))
        with tempfile.TemporaryDirectory() as folder:
            query_file, reply_file = os.path.join(folder, 'query'), os.path.join(folder, 'reply')
            with open(query_file, 'wb') as f:
                f.write(query)
            subprocess.run(['openssl', 'ts', '-reply', '-config', config, '-queryfile', query_file,
                            '-out', reply_file], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(reply_file, 'rb') as f:
                reply = f.read()
        self.send_response(200)
        self.send_header('Content-Type', 'application/timestamp-reply')
        self.send_header('Content-Length', str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(('127.0.0.1', 0), TimestampAuthority)
# Written whole, then renamed: the test reads the port as soon as the file exists.
with open(portfile + '.tmp', 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(portfile + '.tmp', portfile)
server.serve_forever()
