# A mail server for the fault tests: refuses any recipient at refused@,
# drops the connection in the middle of a message for drop@, and accepts
# the rest, writing one line per accepted message to the log file.
#   python3 smtp_faults.py PORT LOGFILE
import socket
import sys
import threading

port, log_path = int(sys.argv[1]), sys.argv[2]


def serve(conn):
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
            with open(log_path, 'a') as log:
                log.write(' '.join(recipients) + '\n')
            send('250 queued')
        elif verb == 'QUIT':
            send('221 bye')
            break
        else:
            send('250 ok')
    conn.close()


server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(('127.0.0.1', port))
server.listen(8)
while True:
    connection, _ = server.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
