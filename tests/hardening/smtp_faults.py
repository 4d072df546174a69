# A mail server for the fault tests on a free port of 127.0.0.1, written to
# PORTFILE once it listens. It refuses recipients at refused@, drops the
# connection in the middle of a message for drop@, never answers the end of a
# message for hang@ and takes the rest; with --silent it greets nobody. The
# log gets "connect" per connection and the recipients of each message taken.
#   python3 smtp_faults.py PORTFILE LOGFILE [--silent]
import os
import socket
import sys
import threading
import time

port_path, log_path = sys.argv[1], sys.argv[2]
lock = threading.Lock()


def log(text):
    with lock, open(log_path, 'a') as out:
        out.write(text + '\n')


def serve(conn):
    log('connect')
    if '--silent' in sys.argv[3:]:
        time.sleep(3600)
    reader = conn.makefile('rb')

    def send(text):
        conn.sendall((text + '\r\n').encode())

    send('220 faults ready')
    recipients = []
    for line in reader:
        command = line.decode('latin-1').strip()
        verb = command[:4].upper()
        if verb == 'MAIL':
            recipients = []
        if verb == 'RCPT' and 'refused@' in command:
            send('550 5.1.1 mailbox unavailable')
        elif verb == 'RCPT':
            recipients.append(command)
            send('250 ok')
        elif verb == 'DATA':
            send('354 go ahead')
            if any('drop@' in r for r in recipients):
                reader.readline()
                conn.shutdown(socket.SHUT_RDWR)
                break
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


server = socket.create_server(('127.0.0.1', 0))
with open(port_path + '.tmp', 'w') as out:
    out.write(str(server.getsockname()[1]))
os.rename(port_path + '.tmp', port_path)
while True:
    threading.Thread(target=serve, args=(server.accept()[0],), daemon=True).start()
