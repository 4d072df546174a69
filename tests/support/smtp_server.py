# A mail server for the tests on a free port of 127.0.0.1, written to
# FOLDER/port once it listens. It refuses recipients at refused@, drops the
# connection in the middle of a message for drop@, never answers the end of a
# message for hang@ and takes the rest, each into FOLDER/messages; with
# --silent it greets nobody. FOLDER/log gets "connect" per connection and the
# recipients of each message taken.
#   python3 smtp_server.py FOLDER [--silent]
import itertools
import os
import socket
import sys
import threading
import time

folder = sys.argv[1]
lock = threading.Lock()
taken = itertools.count(1)


def log(text):
    with lock, open(os.path.join(folder, 'log'), 'a') as out:
        out.write(text + '\n')


def serve(conn):
    log('connect')
    if '--silent' in sys.argv[2:]:
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
            message = []
            while (data := reader.readline()) not in (b'.\r\n', b''):
                message.append(data[1:] if data.startswith(b'.') else data)
            if any('hang@' in r for r in recipients):
                time.sleep(3600)
            name = os.path.join(folder, 'messages', '%d.eml' % next(taken))
            with open(name, 'wb') as out:
                out.writelines(message)
            log(' '.join(recipients))
            send('250 queued')
        elif verb == 'QUIT':
            send('221 bye')
            break
        else:
            send('250 ok')
    conn.close()


server = socket.create_server(('127.0.0.1', 0))
os.makedirs(os.path.join(folder, 'messages'), exist_ok=True)
with open(os.path.join(folder, 'port.tmp'), 'w') as out:
    out.write(str(server.getsockname()[1]))
os.rename(os.path.join(folder, 'port.tmp'), os.path.join(folder, 'port'))
while True:
    threading.Thread(target=serve, args=(server.accept()[0],), daemon=True).start()
