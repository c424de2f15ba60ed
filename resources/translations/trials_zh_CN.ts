<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>在访达显示源文件</source><translation>在文件管理器显示源文件</translation></message>
    <message><source>在访达显示输出文件</source><translation>在文件管理器显示输出文件</translation></message>
</context>
</TS>
