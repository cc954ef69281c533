#!/usr/bin/env python3
"""Writes the workbook the import tests read: Chinese titles, numbers typed
as numbers, a date, a formula and a merged department cell, with openpyxl.
Usage: make_workbook.py OUT.xlsx"""
import datetime
import sys

import openpyxl

book = openpyxl.Workbook()
sheet = book.active
sheet.title = "电脑"
sheet.append(["计算机名", "姓名", "MAC地址", "部门名称", "电话", "内存大小", "登记时间", "备注", "自编号"])
sheet.append(["财务-01", "张三", "00-1A-2B-3C-4D-5E", "财务部", 8659, 8192,
              datetime.datetime(2024, 3, 5, 14, 30, 0), '="PC-"&"01"', 17])
sheet.append(["财务-02", "李四", "00-1A-2B-3C-4D-5F", None, 8660, 16384.0,
              datetime.datetime(2024, 3, 6, 9, 0, 0), "带 \"引号\"", 18])
sheet.merge_cells("D2:D3")
sheet["G2"].number_format = "yyyy-mm-dd hh:mm:ss"
sheet["G3"].number_format = "yyyy/m/d"
second = book.create_sheet("别的")
second.append(["x"])
book.save(sys.argv[1])
