<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>正在停止</source><translation>Stopping</translation></message>
    <message><source>请等待。。。</source><translation>Please wait…</translation></message>
    <message><source>以下文件转换失败，请尝试用传统引擎,再转换一次</source><translation>These files could not be converted. Try again with the traditional engine:</translation></message>
    <message><source>文件已经存在</source><translation>the file already exists</translation></message>
    <message><source>输出文件夹不可用</source><translation>The output folder cannot be used</translation></message>
</context>
</TS>
