<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>在访达显示源文件</source><translation>Show Source File in File Manager</translation></message>
    <message><source>在访达显示输出文件</source><translation>Show Output File in File Manager</translation></message>
    <message><source>预览输出文件(10s)</source><translation>Preview Output (10 s)</translation></message>
    <message><source>估算文件大小</source><translation>Estimate File Size</translation></message>
    <message><source>转换失败,尝试用传统引擎</source><translation>Conversion Failed? Retry with the Traditional Engine</translation></message>
    <message><source>重置状态</source><translation>Reset Status</translation></message>
</context>
<context>
    <name>Video_AVPlayer_ViewController</name>
    <message><source>播放</source><translation>Play</translation></message>
    <message><source>暂停</source><translation>Pause</translation></message>
    <message><source>错误</source><translation>error</translation></message>
</context>
<context>
    <name>Calculate_file_size_NSViewController</name>
    <message><source>无法估算</source><translation>Cannot estimate</translation></message>
</context>
</TS>
