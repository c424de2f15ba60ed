<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Setup_NSViewController</name>
    <message><source>选择…</source><translation>Choose…</translation></message>
    <message><source>视频</source><translation>Video</translation></message>
    <message><source>音频</source><translation>Audio</translation></message>
    <message><source>仅音频</source><translation>Audio only</translation></message>
    <message><source>通用</source><translation>General</translation></message>
    <message><source>开始</source><translation>Start</translation></message>
    <message><source>停止</source><translation>Stop</translation></message>
</context>
</TS>
