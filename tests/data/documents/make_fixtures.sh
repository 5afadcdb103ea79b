#!/usr/bin/env bash
# Makes the commission-protocol PDFs the document tests read. The PDFs are
# committed; run this only to change them. Needs the Debian packages
#   python3 python3-reportlab python3-pil fonts-dejavu-core
# (apt-get install -y python3-reportlab fonts-dejavu-core). The tests need none of them.
#
#   protocol_text_labelled.pdf      text layer, INNs after the label "ИНН" (and a telephone number)
#   protocol_text_free_standing.pdf text layer, bare numbers only, no label
#   protocol_scanned.pdf            one page image (1 bit, 300 dpi), no text layer
#   protocol_multipage.pdf          three pages of text layer, INNs on pages 1 and 3
#   protocol_damaged.pdf            the start of a PDF followed by zero bytes
set -euo pipefail
cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

/usr/bin/python3 - "$FONT" <<'PYTHON'
import sys
import zlib

from PIL import Image, ImageDraw, ImageFont
from reportlab.lib.pagesizes import A4
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

FONT = sys.argv[1]
pdfmetrics.registerFont(TTFont("DejaVu", FONT))

HEADER = [
    "ПРОТОКОЛ № 17/2024",
    "рассмотрения и оценки заявок на участие в запросе котировок",
    "Заказчик: АО «Городские сети», г. Москва",
    "",
]


def text_pdf(name, pages):
    # invariant=1 leaves out dates and ids, so a rerun gives the same bytes
    pdf = canvas.Canvas(name, pagesize=A4, invariant=1)
    pdf.setTitle("Протокол")
    for lines in pages:
        pdf.setFont("DejaVu", 11)
        y = A4[1] - 72
        for line in lines:
            pdf.drawString(60, y, line)
            y -= 18
        pdf.showPage()
    pdf.save()


def scanned_page(lines, dpi=300):
    # A4 at 300 dpi, black text drawn at 14 pt, then cut to one bit per pixel
    width, height = int(8.27 * dpi), int(11.69 * dpi)
    page = Image.new("L", (width, height), 255)
    draw = ImageDraw.Draw(page)
    font = ImageFont.truetype(FONT, int(14 * dpi / 72))
    y = int(1.0 * dpi)
    for line in lines:
        draw.text((int(0.8 * dpi), y), line, font=font, fill=0)
        y += int(0.33 * dpi)
    return page.point(lambda v: 255 if v > 128 else 0, mode="1")


def image_pdf(name, image, dpi=300):
    # A one-page PDF holding only the image: no font, no text layer
    width, height = image.size
    data = zlib.compress(image.tobytes(), 9)
    w_pt, h_pt = width * 72 / dpi, height * 72 / dpi
    content = f"q {w_pt:.2f} 0 0 {h_pt:.2f} 0 0 cm /Im0 Do Q".encode()
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {w_pt:.2f} {h_pt:.2f}] "
        f"/Resources << /XObject << /Im0 4 0 R >> >> /Contents 5 0 R >>".encode(),
        f"<< /Type /XObject /Subtype /Image /Width {width} /Height {height} "
        f"/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /FlateDecode "
        f"/Length {len(data)} >>\nstream\n".encode() + data + b"\nendstream",
        f"<< /Length {len(content)} >>\nstream\n".encode() + content + b"\nendstream",
    ]
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += f"{number} 0 obj\n".encode() + body + b"\nendobj\n"
    xref = len(out)
    out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
    for offset in offsets:
        out += f"{offset:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
    with open(name, "wb") as f:
        f.write(out)


text_pdf("protocol_text_labelled.pdf", [HEADER + [
    "Участник 1: ООО «Ромашка», ИНН 7701234567, КПП 770101001",
    "Участник 2: ИП Петров Пётр Иванович, ИНН: 500100732259",
    "Контактный телефон заказчика: 4951234567",
    "Решение: заявки допущены.",
]])

text_pdf("protocol_text_free_standing.pdf", [HEADER + [
    "Сведения об участниках:",
    "ООО «Вектор» 7705123456 / 770501001",
    "ИП Сидорова Анна Сергеевна 502900112233",
    "Сумма: 1 234 567,89 руб.",
]])

text_pdf("protocol_multipage.pdf", [
    HEADER + ["Участник 1: ООО «Ромашка», ИНН 7701234567"],
    ["Страница без сведений об участниках.", "Цены и сроки поставки указаны в заявках."],
    ["Участник 2: ИП Петров Пётр Иванович, ИНН 500100732259", "Подписи членов комиссии."],
])

image_pdf("protocol_scanned.pdf", scanned_page([
    "ПРОТОКОЛ № 18/2024",
    "подведения итогов запроса котировок",
    "Участник: ООО «Вектор»",
    "ИНН 7705123456",
    "Участник: ИП Сидорова А. С.",
    "ИНН 502900112233",
]))

with open("protocol_text_labelled.pdf", "rb") as f:
    start = f.read(400)
with open("protocol_damaged.pdf", "wb") as f:
    f.write(start + bytes(4000))
PYTHON

ls -l ./*.pdf
