<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>就绪</source><translation>Ready</translation></message>
    <message><source>等待</source><translation>Waiting</translation></message>
    <message><source>进行中</source><translation>Converting</translation></message>
    <message><source>完成</source><translation>Done</translation></message>
    <message><source>失败</source><translation>Failed</translation></message>
    <message><source>失败(%1)</source><translation>Failed (%1)</translation></message>
    <message><source>取消</source><translation>Cancelled</translation></message>
    <message><source>以下文件导入失败</source><translation>The following files could not be imported</translation></message>
</context>
<context>
    <name>ViewController</name>
    <message><source>添加文件…</source><translation>Add Files…</translation></message>
    <message><source>删除</source><translation>Delete</translation></message>
</context>
<context>
    <name>DropHint</name>
    <message><source>将文件或文件夹拖到这里</source><translation>Drop files or folders here</translation></message>
</context>
</TS>
