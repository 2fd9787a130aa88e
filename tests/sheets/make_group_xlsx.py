#!/usr/bin/env python3
"""Writes data/group.xlsx the way spreadsheet programs store a group's list:
texts in the shared strings (the identity number among them), one inline
string, measurements as numbers, and dates as numbers with a date format.
Run it again after changing the rows: python3 make_group_xlsx.py"""
import os
import zipfile
from xml.sax.saxutils import escape

strings = []


def shared(text):
    if text not in strings:
        strings.append(text)
    return strings.index(text)


def col(i):
    return chr(ord("A") + i)


def cell(ref, value, style=None):
    s = f' s="{style}"' if style is not None else ""
    if isinstance(value, tuple):  # ("inline", text)
        return f'<c r="{ref}" t="inlineStr"{s}><is><t>{escape(value[1])}</t></is></c>'
    if isinstance(value, str):
        return f'<c r="{ref}" t="s"{s}><v>{shared(value)}</v></c>'
    return f'<c r="{ref}"{s}><v>{value!r}</v></c>'


def sheet(rows, styles=None):
    out = []
    for r, row in enumerate(rows, start=1):
        cells = []
        for c, value in enumerate(row):
            if value is None:
                continue
            style = (styles or {}).get((r, c))
            cells.append(cell(f"{col(c)}{r}", value, style))
        out.append(f'<row r="{r}">{"".join(cells)}</row>')
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            f'<sheetData>{"".join(out)}</sheetData></worksheet>')


header = ["姓名", "性别", "年龄", "身份证号", "工作单位", "身高", "体重", "腰围", "收缩压",
          "舒张压", "总胆固醇", "甘油三酯", "空腹血糖", "糖耐量"]
group = [
    header,
    ["赵一", "男", 45, "110101197901010038", ("inline", "第一中学"), 1.72, 70.5, 88, 135,
     85, 5.2, 1.4, 5.6, 7.1],
    ["钱二", "女", 38, "11010119860202002X", "第一中学", 1.6, 55, 72, 118, 76, 4.6, 1.1,
     4.9, 6.3],
]
# Row 2 holds the dates: 45000 is 2023-03-15; with a time, a custom Chinese
# date format, and a plain number in a number format for comparison.
dates = [
    ["日期", "日期时间", "中文日期", "数", "大数", "小数"],
    [45000, 45000.5, 45001, 1234.5, 123456789012, 0.000123],
]
date_styles = {(2, 0): 1, (2, 1): 2, (2, 2): 3, (2, 3): 4}

styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
          '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
          '<numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/>'
          '<numFmt numFmtId="165" formatCode="0.00"/></numFmts>'
          '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
          '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
          '<borders count="1"><border/></borders>'
          '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
          '<cellXfs count="5">'
          '<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
          '<xf numFmtId="14" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
          '<xf numFmtId="22" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
          '<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
          '<xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
          '</cellXfs></styleSheet>')

sheet1 = sheet(group)
sheet2 = sheet(dates, date_styles)
sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
       f'<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="{len(strings)}" uniqueCount="{len(strings)}">'
       + "".join(f"<si><t>{escape(s)}</t></si>" for s in strings) + "</sst>")

files = {
    "[Content_Types].xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
        '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
        '</Types>',
    "_rels/.rels":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
        '</Relationships>',
    "xl/workbook.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
        '<sheets><sheet name="名单" sheetId="1" r:id="rId1"/><sheet name="日期" sheetId="2" r:id="rId2"/></sheets>'
        '</workbook>',
    "xl/_rels/workbook.xml.rels":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        '<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        '</Relationships>',
    "xl/worksheets/sheet1.xml": sheet1,
    "xl/worksheets/sheet2.xml": sheet2,
    "xl/sharedStrings.xml": sst,
    "xl/styles.xml": styles,
}

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "group.xlsx")
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for name, text in files.items():
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, text.encode("utf-8"))
