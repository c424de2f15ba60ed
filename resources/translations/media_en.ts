<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>media</name>
    <message><source>无法写入这种文件类型。</source><translation>This file type cannot be written.</translation></message>
    <message><source>输出“%1”不是本地文件。</source><translation>The output “%1” is not a local file.</translation></message>
    <message><source>文件“%1”已经存在。</source><translation>The file “%1” already exists.</translation></message>
    <message><source>无法创建文件“%1”</source><translation>The file “%1” could not be created</translation></message>
    <message><source>无法设置 %1 封装器：%2</source><translation>Cannot set up the %1 muxer: %2</translation></message>
    <message><source>内存不足</source><translation>Out of memory</translation></message>
    <message><source>视频输入只接受解码后的画面</source><translation>A video input takes decoded pictures only</translation></message>
    <message><source>视频帧没有有效的显示时间</source><translation>A video frame has no valid presentation time</translation></message>
    <message><source>视频帧的显示时间必须递增（%1 在 %2 之后）</source><translation>Video frames must come in increasing presentation times (%1 after %2)</translation></message>
    <message><source>音频输入只接受解码后的音频</source><translation>An audio input takes decoded audio only</translation></message>
    <message><source>音频缓冲没有有效的显示时间</source><translation>An audio buffer has no valid presentation time</translation></message>
    <message><source>时间码输入只接受存储的时间码样本</source><translation>A timecode input takes stored timecode samples only</translation></message>
    <message><source>%1 文件类型不能包含 %2 %3</source><translation>The %1 file type cannot hold %2 %3</translation></message>
    <message><source>无法开始写入文件：%1</source><translation>Could not start the file: %1</translation></message>
    <message><source>写入文件失败：%1</source><translation>Writing to the file failed: %1</translation></message>
    <message><source>没有添加任何媒体数据，没有可写入的内容</source><translation>No media data was appended, so there is nothing to write</translation></message>
    <message><source>已取消</source><translation>Cancelled</translation></message>
    <message><source>无法完成文件：%1</source><translation>Could not finish the file: %1</translation></message>
    <message><source>写入文件“%1”失败</source><translation>Writing the file “%1” failed</translation></message>
    <message><source>无法给文件“%1”命名</source><translation>The file “%1” could not be given its name</translation></message>
    <message><source>写入失败</source><translation>Writing failed</translation></message>
    <message><source>没有 %1 的编码器</source><translation>No encoder for %1</translation></message>
    <message><source>音频缓冲没有声道布局或采样率</source><translation>The audio buffer has no channel layout or sample rate</translation></message>
    <message><source>无法打开 %1 编码器（%2 Hz，%3 声道）：%4</source><translation>Could not open the %1 encoder (%2 Hz, %3 channels): %4</translation></message>
    <message><source>无法重采样音频：%1</source><translation>Cannot resample the audio: %1</translation></message>
    <message><source>音频重采样失败：%1</source><translation>Resampling the audio failed: %1</translation></message>
    <message><source>音频编码器已经清空</source><translation>The audio encoder has already been flushed</translation></message>
    <message><source>音频编码失败：%1</source><translation>Encoding audio failed: %1</translation></message>
    <message><source>音频编码失败</source><translation>Encoding audio failed</translation></message>
    <message><source>编码器 %1 不可用</source><translation>The encoder %1 is not available</translation></message>
    <message><source>无法以 %2×%3 打开 %1 编码器：%4</source><translation>Could not open the %1 encoder for %2×%3: %4</translation></message>
    <message><source>无法为编码器转换 %1×%2 的 %3 画面：%4</source><translation>Cannot convert %1×%2 %3 pictures for the encoder: %4</translation></message>
    <message><source>视频编码器已经清空</source><translation>The video encoder has already been flushed</translation></message>
    <message><source>画面没有像素</source><translation>The picture has no pixels</translation></message>
    <message><source>画面编码失败：%1</source><translation>Encoding a picture failed: %1</translation></message>
    <message><source>画面编码失败</source><translation>Encoding a picture failed</translation></message>
    <message><source>清空%1编码器失败：%2</source><translation>Flushing the %1 encoder failed: %2</translation></message>
    <message><source>%1编码失败</source><translation>Encoding %1 failed</translation></message>
    <message><source>%1 不是可用的数字</source><translation>%1 is not a usable number</translation></message>
    <message><source>此平台无法编码带透明通道的 HEVC</source><translation>HEVC with alpha cannot be encoded here</translation></message>
    <message><source>没有视频编码“%1”的编码器</source><translation>No encoder for the video codec “%1”</translation></message>
    <message><source>AVFormatIDKey 不是格式代码</source><translation>AVFormatIDKey is not a format code</translation></message>
    <message><source>没有音频格式“%1”的编码器</source><translation>No encoder for the audio format “%1”</translation></message>
    <message><source>不支持 %1 位%2的线性 PCM</source><translation>Linear PCM of %1 bits%2 is not supported</translation></message>
    <message><source>（浮点）</source><translation> (float)</translation></message>
    <message><source>没有可读取的素材。</source><translation>There is no asset to read.</translation></message>
    <message><source>无法读取文件“%1”：其中没有可以打开的媒体。</source><translation>The file "%1" cannot be read: it holds no media that can be opened.</translation></message>
    <message><source>无法读取文件“%1”：%2。</source><translation>The file "%1" cannot be read: %2.</translation></message>
    <message><source>读取文件时内存不足。</source><translation>Out of memory while reading the file.</translation></message>
    <message><source>文件“%1”在媒体数据结束之前就结束了：文件不完整。</source><translation>The file "%1" ends before its media data: it is truncated.</translation></message>
    <message><source>解码“%2”的%1失败：%3。</source><translation>Decoding the %1 of "%2" failed: %3.</translation></message>
    <message><source>没有给出文件。</source><translation>No file was given.</translation></message>
    <message><source>无法打开文件“%1”：%2。</source><translation>The file "%1" could not be opened: %2.</translation></message>
    <message><source>无法读取“%1”的媒体数据：%2。</source><translation>The media data of "%1" could not be read: %2.</translation></message>
    <message><source>没有编码 %1 的解码器。</source><translation>There is no decoder for the codec %1.</translation></message>
    <message><source>无法设置解码器。</source><translation>The decoder could not be set up.</translation></message>
    <message><source>无法打开 %1 解码器：%2。</source><translation>The %1 decoder could not be opened: %2.</translation></message>
    <message><source>无法转换 %1x%2 的画面。</source><translation>The picture of %1x%2 could not be converted.</translation></message>
    <message><source>%1x%2 的画面内存不足。</source><translation>Out of memory for a picture of %1x%2.</translation></message>
    <message><source>无法缩放画面。</source><translation>The picture could not be scaled.</translation></message>
    <message><source>混合音频时内存不足。</source><translation>Out of memory while mixing audio.</translation></message>
    <message><source>其采样格式无法转换</source><translation>its sample format cannot be converted</translation></message>
    <message><source>数据已损坏</source><translation>the data is damaged</translation></message>
    <message><source>视频</source><translation>video</translation></message>
    <message><source>音频</source><translation>audio</translation></message>
</context>
</TS>
