#!/usr/bin/python3
"""The benchmark's peer: the texts of a layout run's trace drawn by another
PDF library, with an embedded TrueType font, one page per page of the trace.

Usage: reportlab_peer.py TRACE OUT.pdf FONT.ttf
Prints "PAGES SECONDS" (drawing and writing only; reading the trace is not
timed).
"""
import json
import sys
import time

from reportlab.lib.pagesizes import A4
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas


def pages_of(trace_path):
    """The trace's pages, each a list of sections, each a list of texts."""
    pages = [[]]
    with open(trace_path, encoding="utf-8") as trace:
        for line in trace:
            event = json.loads(line)
            op = event.get("op")
            if op == "newpage" or (op == "end" and pages[-1]):
                pages.append([])
            elif op == "section":
                fields = event.get("fields") or {}
                pages[-1].append([str(v) for v in fields.values()])
    return [page for page in pages if page]


def main():
    trace_path, out_path, font_path = sys.argv[1:4]
    pages = pages_of(trace_path)
    start = time.perf_counter()
    pdfmetrics.registerFont(TTFont("Peer", font_path))
    pdf = canvas.Canvas(out_path, pagesize=A4)
    width, height = A4
    for page in pages:
        y = height - 40
        for texts in page:
            x = 40
            for text in texts:
                pdf.setFont("Peer", 9)
                pdf.drawString(x, y, text)
                x += (width - 80) / max(len(texts), 1)
            y -= 12
            if y < 40:
                y = height - 40
        pdf.showPage()
    pdf.save()
    print(len(pages), round(time.perf_counter() - start, 4))


if __name__ == "__main__":
    main()
