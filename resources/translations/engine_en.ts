<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>文件一样</source><translation>the output would be the source file itself</translation></message>
    <message><source>源文件不完整：只能转换其 %2 秒中的 %1 秒。</source><translation>The source file is truncated: only %1 s of its %2 s could be converted.</translation></message>
    <message><source>源文件不完整：只能转换其 %2 中的 %1。</source><translation>The source file is truncated: only %1 of its %2 could be converted.</translation></message>
    <message><source>传统引擎无法写出视频编码 %1</source><translation>the traditional engine cannot write the video codec %1</translation></message>
    <message><source>ffmpeg 参数无法解析</source><translation>the ffmpeg arguments cannot be read</translation></message>
    <message><source>ffmpeg 返回码 %1</source><translation>ffmpeg ended with the return code %1</translation></message>
    <message><source>ffmpeg 被信号 %1 (%2) 终止</source><translation>ffmpeg was ended by signal %1 (%2)</translation></message>
    <message><source>源文件没有音频</source><translation>the source has no audio</translation></message>
    <message><source>%1 编码器不接受画面大小 %2×%3</source><translation>the %1 encoder does not accept the frame size %2×%3</translation></message>
    <message><source>无法读取源文件的视频</source><translation>The source's video cannot be read</translation></message>
    <message><source>视频编码 %1 无法写入 %2 文件</source><translation>the video codec %1 cannot be written to %2 files</translation></message>
    <message><source>视频编码 %1 的这些设置无法写入 %2 文件</source><translation>these settings of the video codec %1 cannot be written to %2 files</translation></message>
    <message><source>无法读取源文件的音频</source><translation>The source's audio cannot be read</translation></message>
    <message><source>音频格式 %1 无法写入 %2 文件</source><translation>the audio format %1 cannot be written to %2 files</translation></message>
    <message><source>音频格式 %1 的这些设置无法写入 %2 文件</source><translation>these settings of the audio format %1 cannot be written to %2 files</translation></message>
    <message><source>无法写出 %1 类型的文件</source><translation>%1 files cannot be written</translation></message>
    <message><source>设置失败</source><translation>Setup failure</translation></message>
    <message><source>读取失败</source><translation>Reading failure</translation></message>
    <message><source>写入失败</source><translation>Writing failure</translation></message>
    <message><source>已取消</source><translation>Cancelled</translation></message>
</context>
</TS>
