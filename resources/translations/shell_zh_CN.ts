<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>Help_ViewController.js</source>
        <translation>批量转换、压缩视频和音频文件，输出为你选择的格式。</translation>
    </message>
    <message>
        <source>Help_ViewController.syjs</source>
        <translation>1. 把文件或文件夹拖到左边的列表里，或用列表下面的按钮添加。
2. 在右边选择输出文件夹，以及视频、音频或仅音频的格式。
3. 点“开始”，文件逐个依次转换；点“停止”取消正在转换的文件。
4. 右键点一行，可以预览、估算输出大小、重新转换或重置。</translation>
    </message>
</context>
</TS>
