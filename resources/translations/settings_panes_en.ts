<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Video_setup_ViewController</name>
    <message><source>格式</source><translation>Container</translation></message>
    <message><source>编码</source><translation>Codec</translation></message>
    <message><source>码率</source><translation>Bit rate</translation></message>
    <message><source>尺寸</source><translation>Size</translation></message>
    <message><source>原始尺寸</source><translation>Source size</translation></message>
    <message><source>自定义尺寸</source><translation>Custom size</translation></message>
    <message><source>宽（像素）</source><translation>Width (pixels)</translation></message>
    <message><source>高（像素）</source><translation>Height (pixels)</translation></message>
    <message><source>此平台无法编码带透明通道的 HEVC：转换会失败并说明原因；由 ffmpeg 转换的文件改用容器的默认编码</source><translation>This platform cannot encode HEVC with alpha: conversions fail and say why; files converted by ffmpeg get the container&apos;s default codec</translation></message>
</context>
<context>
    <name>Audio_setup_ViewController</name>
    <message><source>音频格式</source><translation>Audio format</translation></message>
</context>
<context>
    <name>Only_Audio_setup_ViewController</name>
    <message><source>只输出音频</source><translation>Audio only</translation></message>
    <message><source>开启后只输出音频，视频和音频设置不再使用</source><translation>When on, only the audio is written; the video and audio settings are not used</translation></message>
    <message><source>格式</source><translation>Format</translation></message>
</context>
<context>
    <name>Setup_setup_ViewController</name>
    <message><source>保留源文件夹结构</source><translation>Keep source folders</translation></message>
    <message><source>在输出文件夹下重建源文件所在的文件夹路径</source><translation>Re-create each source's folder path below the output folder</translation></message>
</context>
</TS>
