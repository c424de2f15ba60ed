<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Setup_NSViewController</name>
    <message><source>输出文件夹</source><translation>Output folder</translation></message>
    <message><source>未选择文件夹</source><translation>No folder chosen</translation></message>
    <message><source>选择…</source><translation>Choose…</translation></message>
    <message><source>选择输出文件夹</source><translation>Choose the output folder</translation></message>
    <message><source>视频</source><translation>Video</translation></message>
    <message><source>音频</source><translation>Audio</translation></message>
    <message><source>仅音频</source><translation>Audio only</translation></message>
    <message><source>通用</source><translation>General</translation></message>
    <message><source>开始</source><translation>Start</translation></message>
    <message><source>停止</source><translation>Stop</translation></message>
</context>
<context>
    <name>MainWindow</name>
    <message><source>帮助</source><translation>Help</translation></message>
    <message><source>使用帮助</source><translation>How to use</translation></message>
    <message><source>关于我们</source><translation>About us</translation></message>
    <message><source>更多应用</source><translation>More applications</translation></message>
</context>
<context>
    <name>Localizable</name>
    <message>
        <source>Help_ViewController.js</source>
        <translation>Converts and compresses video and audio files in batches, into the format you choose.</translation>
    </message>
    <message>
        <source>Help_ViewController.syjs</source>
        <translation>1. Drop files or folders onto the list on the left, or add them with the button below it.
2. On the right, choose the output folder and a video, audio or audio-only format.
3. Press Start: the files convert one after another. Stop cancels the file in progress.
4. Right-click a row to preview it, estimate its output size, convert it again or reset it.</translation>
    </message>
</context>
</TS>
