# A mail server for the fault tests. It listens on a free port of 127.0.0.1
# and writes that port to PORTFILE once it is ready. It refuses any
# recipient at refused@, drops the connection in the middle of a message for
# drop@, never answers the end of a message for hang@, and accepts the rest;
# with --silent it greets nobody. The log gets one line per connection
# ("connect") and per accepted message (its recipients).
#   python3 smtp_faults.py PORTFILE LOGFILE [--silent]
import os
import socket
import sys
import threading
import time

port_path, log_path = sys.argv[1], sys.argv[2]
silent = '--silent' in sys.argv[3:]
lock = threading.Lock()


def log(text):
    with lock, open(log_path, 'a') as out:
        out.write(text + '\n')


def serve(conn):
    log('connect')
    if silent:
        time.sleep(3600)
    reader = conn.makefile('rb')

    def send(text):
        conn.sendall((text + '\r\n').encode())

    send('220 faults ready')
    recipients = []
    while True:
        line = reader.readline()
        if not line:
            break
        command = line.decode('latin-1').strip()
        verb = command[:4].upper()
        if verb == 'MAIL':
            recipients = []
            send('250 ok')
        elif verb == 'RCPT':
            if 'refused@' in command:
                send('550 5.1.1 mailbox unavailable')
            else:
                recipients.append(command)
                send('250 ok')
        elif verb == 'DATA':
            send('354 go ahead')
            if any('drop@' in r for r in recipients):
                reader.readline()
                conn.shutdown(socket.SHUT_RDWR)
                conn.close()
                return
            while reader.readline() not in (b'.\r\n', b''):
                pass
            if any('hang@' in r for r in recipients):
                time.sleep(3600)
            log(' '.join(recipients))
            send('250 queued')
        elif verb == 'QUIT':
            send('221 bye')
            break
        else:
            send('250 ok')
    conn.close()


server = socket.socket()
server.bind(('127.0.0.1', 0))
server.listen(8)
with open(port_path + '.tmp', 'w') as out:
    out.write(str(server.getsockname()[1]))
os.rename(port_path + '.tmp', port_path)
while True:
    connection, _ = server.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
