<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
  <context>
    <name>lower_layer</name>
    <message>
      <source>%1: the file is damaged or cut short (%2 that cannot be read)</source>
      <translation>%1：文件已损坏或不完整（无法读取的 %2）</translation>
    </message>
    <message>
      <source>%1: not a media file FFmpeg knows</source>
      <translation>%1：不是 FFmpeg 认识的媒体文件</translation>
    </message>
    <message>
      <source>%1: no video stream</source>
      <translation>%1：没有视频流</translation>
    </message>
    <message>
      <source>%1: the file does not say how long it is</source>
      <translation>%1：文件没有给出它的长度</translation>
    </message>
    <message>
      <source>%1: the file source cannot play it</source>
      <translation>%1：文件来源无法播放它</translation>
    </message>
    <message>
      <source>%1: no such file or folder</source>
      <translation>%1：文件或文件夹不存在</translation>
    </message>
    <message>
      <source>%1: neither a folder, a disc image nor a drive</source>
      <translation>%1：既不是文件夹、光盘映像，也不是光驱</translation>
    </message>
    <message>
      <source>%1: its VIDEO_TS folder has no VIDEO_TS.IFO</source>
      <translation>%1：它的 VIDEO_TS 文件夹中没有 VIDEO_TS.IFO</translation>
    </message>
    <message>
      <source>%1: not a DVD-Video folder (no VIDEO_TS.IFO, no VIDEO_TS folder)</source>
      <translation>%1：不是 DVD 视频文件夹（没有 VIDEO_TS.IFO，也没有 VIDEO_TS 文件夹）</translation>
    </message>
    <message>
      <source>%1: cannot open as a DVD (%2)</source>
      <translation>%1：无法作为 DVD 打开（%2）</translation>
    </message>
    <message>
      <source>%1: cannot open as a DVD</source>
      <translation>%1：无法作为 DVD 打开</translation>
    </message>
    <message>
      <source>%1: VIDEO_TS.IFO is missing or damaged (%2)</source>
      <translation>%1：VIDEO_TS.IFO 缺失或已损坏（%2）</translation>
    </message>
    <message>
      <source>%1: VIDEO_TS.IFO is missing or damaged</source>
      <translation>%1：VIDEO_TS.IFO 缺失或已损坏</translation>
    </message>
    <message>
      <source>%1: the information file of title set %2 is missing or damaged (%3)</source>
      <translation>%1：标题集 %2 的信息文件缺失或已损坏（%3）</translation>
    </message>
    <message>
      <source>%1: the information file of title set %2 is missing or damaged</source>
      <translation>%1：标题集 %2 的信息文件缺失或已损坏</translation>
    </message>
    <message>
      <source>no DVD-Video disc found in the drives (no optical drive and no mounted disc volume on this machine)</source>
      <translation>光驱中没有找到 DVD 视频光盘（本机没有光驱，也没有已挂载的光盘卷）</translation>
    </message>
    <message>
      <source>no DVD-Video disc found in the drives (looked at %1)</source>
      <translation>光驱中没有找到 DVD 视频光盘（查看了 %1）</translation>
    </message>
    <message>
      <source>the header does not begin with "Tarn"</source>
      <translation>文件头不以 "Tarn" 开头</translation>
    </message>
    <message>
      <source>the header has no "MOVI" tag at offset 8</source>
      <translation>文件头在偏移 8 处没有 "MOVI" 标记</translation>
    </message>
    <message>
      <source>the header's reserved word at offset 12 is %1, not 0</source>
      <translation>文件头偏移 12 处的保留字是 %1，而不是 0</translation>
    </message>
    <message>
      <source>the header's word at offset 16 is %1, not 5</source>
      <translation>文件头偏移 16 处的字是 %1，而不是 5</translation>
    </message>
    <message>
      <source>the header's reserved bytes 20-511 are not zero</source>
      <translation>文件头的保留字节 20-511 不全为零</translation>
    </message>
    <message>
      <source>the header gives a file length of %1 bytes but the file has %2 (the file was cut)</source>
      <translation>文件头给出的文件长度为 %1 字节，但文件有 %2 字节（文件被截断了）</translation>
    </message>
    <message>
      <source>the header gives a file length of %1 bytes but the file has %2</source>
      <translation>文件头给出的文件长度为 %1 字节，但文件有 %2 字节</translation>
    </message>
    <message>
      <source>the file has %1 bytes, fewer than the 512-byte header</source>
      <translation>文件只有 %1 字节，不足 512 字节的文件头</translation>
    </message>
    <message>
      <source>the payload has %1 bytes, too few for K and M</source>
      <translation>数据部分只有 %1 字节，放不下 K 和 M</translation>
    </message>
    <message>
      <source>K = %1 and M = %2 reach past the %3-byte payload</source>
      <translation>K = %1 和 M = %2 超出了 %3 字节的数据部分</translation>
    </message>
    <message>
      <source>K = %1 is not a whole number of 32-bit words</source>
      <translation>K = %1 不是整数个 32 位字</translation>
    </message>
    <message>
      <source>M = %1 is not a whole number of colour words</source>
      <translation>M = %1 不是整数个颜色字</translation>
    </message>
    <message>
      <source>MusicMode %1 is none of 0-3</source>
      <translation>MusicMode %1 不在 0-3 之中</translation>
    </message>
    <message>
      <source>the codec, channels, rate or sample size do not match MusicMode %1</source>
      <translation>编码、声道、采样率或采样大小与 MusicMode %1 不符</translation>
    </message>
    <message>
      <source>the header gives %1 data bytes but the file has %2</source>
      <translation>文件头给出 %1 个数据字节，但文件有 %2 个</translation>
    </message>
    <message>
      <source>%1 sample frames do not fill %2 bytes</source>
      <translation>%1 个采样帧填不满 %2 字节</translation>
    </message>
    <message>
      <source>not implemented</source>
      <translation>没有实现</translation>
    </message>
    <message>
      <source>interface not supported</source>
      <translation>不支持该接口</translation>
    </message>
    <message>
      <source>invalid pointer</source>
      <translation>无效的指针</translation>
    </message>
    <message>
      <source>aborted</source>
      <translation>已中止</translation>
    </message>
    <message>
      <source>unspecified failure</source>
      <translation>未指明的失败</translation>
    </message>
    <message>
      <source>unexpected failure</source>
      <translation>意外的失败</translation>
    </message>
    <message>
      <source>out of memory</source>
      <translation>内存不足</translation>
    </message>
    <message>
      <source>invalid argument</source>
      <translation>无效的参数</translation>
    </message>
    <message>
      <source>class cannot be aggregated</source>
      <translation>该类不能聚合</translation>
    </message>
    <message>
      <source>class not offered by this library</source>
      <translation>此库不提供该类</translation>
    </message>
    <message>
      <source>class not registered</source>
      <translation>该类没有注册</translation>
    </message>
    <message>
      <source>library cannot be loaded</source>
      <translation>无法装载库</translation>
    </message>
    <message>
      <source>export not found in library</source>
      <translation>库中没有找到导出函数</translation>
    </message>
    <message>
      <source>pin not connected</source>
      <translation>引脚没有连接</translation>
    </message>
    <message>
      <source>no common media type</source>
      <translation>没有共同的媒体类型</translation>
    </message>
    <message>
      <source>media type not accepted</source>
      <translation>媒体类型不被接受</translation>
    </message>
    <message>
      <source>no combination of filters connects</source>
      <translation>没有能连接起来的过滤器组合</translation>
    </message>
    <message>
      <source>no combination of filters renders the stream</source>
      <translation>没有能呈现该流的过滤器组合</translation>
    </message>
    <message>
      <source>filter is not stopped</source>
      <translation>过滤器没有停止</translation>
    </message>
    <message>
      <source>wrong filter state</source>
      <translation>过滤器状态不对</translation>
    </message>
    <message>
      <source>allocator not committed</source>
      <translation>分配器没有提交</translation>
    </message>
    <message>
      <source>allocator buffer size not set</source>
      <translation>分配器的缓冲区大小没有设置</translation>
    </message>
    <message>
      <source>unknown file type</source>
      <translation>未知的文件类型</translation>
    </message>
    <message>
      <source>invalid file format</source>
      <translation>无效的文件格式</translation>
    </message>
    <message>
      <source>No such file or directory</source>
      <translation>文件或目录不存在</translation>
    </message>
    <message>
      <source>Permission denied</source>
      <translation>权限不够</translation>
    </message>
    <message>
      <source>No space left on device</source>
      <translation>设备上没有空间</translation>
    </message>
    <message>
      <source>Invalid argument</source>
      <translation>无效的参数</translation>
    </message>
    <message>
      <source>no font for text subtitles (TARNMEDIA_SUBTITLE_FONT names one)</source>
      <translation>没有可用于文本字幕的字体（可用 TARNMEDIA_SUBTITLE_FONT 指定一个）</translation>
    </message>
  </context>
</TS>