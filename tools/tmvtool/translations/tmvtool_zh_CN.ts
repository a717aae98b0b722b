<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
  <context>
    <name>tmvtool</name>
    <message>
      <source>usage: tmvtool decode FILE.tmv -o DIR
       tmvtool decode FILE.tmv --raw &gt; frames.bgr
       tmvtool decode FILE.tms -o FILE.wav

Plays the movie as the handheld does and writes the picture shown after each record:
  -o DIR   as DIR/frame_00000.png, frame_00001.png, ... (DIR is created when missing)
  --raw    as raw 240x160 BGR24 frames, top row first, on standard output
A record that cannot be decoded leaves the previous picture, which is written again;
such a file is reported as damaged and the exit code is 1.
A sound file becomes a 16-bit PCM WAV file of its own rate and channels (-o or --out).
</source>
      <translation>用法：tmvtool decode 文件.tmv -o 文件夹
      tmvtool decode 文件.tmv --raw &gt; frames.bgr
      tmvtool decode 文件.tms -o 文件.wav

像掌机一样播放影片，写出每个记录之后显示的画面：
  -o 文件夹  写成 文件夹/frame_00000.png、frame_00001.png……（文件夹不存在时会创建）
  --raw      写成原始的 240x160 BGR24 帧（首行在前），送到标准输出
无法解码的记录保留前一幅画面，并再写一次；
这样的文件报告为已损坏，退出码为 1。
声音文件变成按其自身采样率和声道的 16 位 PCM WAV 文件（-o 或 --out）。
</translation>
    </message>
    <message>
      <source>%1 needs a folder</source>
      <translation>%1 需要一个文件夹</translation>
    </message>
    <message>
      <source>unknown option %1</source>
      <translation>未知选项 %1</translation>
    </message>
    <message>
      <source>more than one movie file given</source>
      <translation>给出了不止一个影片文件</translation>
    </message>
    <message>
      <source>no movie file given</source>
      <translation>没有给出影片文件</translation>
    </message>
    <message>
      <source>a sound file is decoded with -o FILE.wav</source>
      <translation>声音文件用 -o 文件.wav 解码</translation>
    </message>
    <message>
      <source>give either -o DIR or --raw</source>
      <translation>请给出 -o 文件夹 或 --raw 之一</translation>
    </message>
    <message>
      <source>%1 (see tmvtool decode --help)</source>
      <translation>%1（参见 tmvtool decode --help）</translation>
    </message>
    <message>
      <source>--raw writes binary frames: send standard output to a file or a pipe</source>
      <translation>--raw 写出二进制帧：请把标准输出送到文件或管道</translation>
    </message>
    <message>
      <source>standard output: %1</source>
      <translation>标准输出：%1</translation>
    </message>
    <message>
      <source>write the pictures of a movie file (PNG, raw BGR24) or a sound file as WAV</source>
      <translation>写出影片文件的画面（PNG、原始 BGR24），或把声音文件写成 WAV</translation>
    </message>
    <message>
      <source>usage: tmvtool encode --dvd PATH --title T [--chapters A-B] [--audio N] [--subtitle N]
                      -o OUT.tmv [--ini FILE]

Converts chapters A to B of title T of the disc at PATH (an .ifo file, a VIDEO_TS folder,
a disc folder or an image) into the movie file OUT.tmv and the sound file OUT.tms, through
a graph of the DVD navigator, the MPEG decoder and the two encoders. The names go into
the run's own copy of the settings file, which keeps its values.
  --title T          title number, from 1
  --chapters A-B     first and last chapter, or one chapter A (default: the whole title)
  --audio N          audio stream, from 1 as dvd-info lists them (default 1)
  --subtitle N       subtitle stream shown in the pictures (default: none)
  -o, --out OUT.tmv  the movie file to write (its folder is made when missing)
  --ini FILE         the settings file to use (sets TARNMEDIA_INI)
Shows the chapter being converted on a terminal, and prints the frames and bytes written
and the speed against real time. Ctrl-C stops and keeps what was converted.
</source>
      <translation>用法：tmvtool encode --dvd 路径 --title T [--chapters A-B] [--audio N] [--subtitle N]
                      -o 输出.tmv [--ini 文件]

把路径处光盘（.ifo 文件、VIDEO_TS 文件夹、光盘文件夹或光盘映像）上标题 T 的
第 A 到 B 章，经由 DVD 导航器、MPEG 解码器和两个编码器组成的图，转换成影片文件
输出.tmv 和声音文件 输出.tms。文件名写入本次运行自己的设置文件副本，
原设置文件保持不变。
  --title T          标题编号，从 1 开始
  --chapters A-B     首章和末章，或只有一章 A（默认：整个标题）
  --audio N          音频流，按 dvd-info 的列表从 1 开始（默认 1）
  --subtitle N       画面中显示的字幕流（默认：无）
  -o, --out 输出.tmv 要写的影片文件（其文件夹不存在时会创建）
  --ini 文件         要使用的设置文件（设定 TARNMEDIA_INI）
在终端上显示正在转换的章节，结束时打印写出的帧数和字节数以及相对实时的速度。
Ctrl-C 停止转换并保留已转换的内容。
</translation>
    </message>
    <message>
      <source>%1 needs a value</source>
      <translation>%1 需要一个值</translation>
    </message>
    <message>
      <source>--title needs a title number from 1</source>
      <translation>--title 需要从 1 开始的标题编号</translation>
    </message>
    <message>
      <source>--audio needs a stream number from 1</source>
      <translation>--audio 需要从 1 开始的流编号</translation>
    </message>
    <message>
      <source>--subtitle needs a stream number from 1</source>
      <translation>--subtitle 需要从 1 开始的流编号</translation>
    </message>
    <message>
      <source>--chapters needs A-B with 1 &lt;= A &lt;= B</source>
      <translation>--chapters 需要 A-B，且 1 &lt;= A &lt;= B</translation>
    </message>
    <message>
      <source>no disc (--dvd PATH)</source>
      <translation>没有光盘（--dvd 路径）</translation>
    </message>
    <message>
      <source>no title (--title T)</source>
      <translation>没有标题（--title T）</translation>
    </message>
    <message>
      <source>no output file (-o OUT.tmv)</source>
      <translation>没有输出文件（-o 输出.tmv）</translation>
    </message>
    <message>
      <source>cannot read the titles of %1</source>
      <translation>无法读取 %1 的标题</translation>
    </message>
    <message>
      <source>%2 has %1 title; there is no title %3</source>
      <translation>%2 有 %1 个标题；没有标题 %3</translation>
    </message>
    <message>
      <source>%2 has %1 titles; there is no title %3</source>
      <translation>%2 有 %1 个标题；没有标题 %3</translation>
    </message>
    <message>
      <source>cannot read the chapters of title %1 of %2</source>
      <translation>无法读取 %2 的标题 %1 的章节</translation>
    </message>
    <message>
      <source>title %2 of %3 has %1 chapter; there is no chapter %4</source>
      <translation>%3 的标题 %2 有 %1 个章节；没有章节 %4</translation>
    </message>
    <message>
      <source>title %2 of %3 has %1 chapters; there is no chapter %4</source>
      <translation>%3 的标题 %2 有 %1 个章节；没有章节 %4</translation>
    </message>
    <message>
      <source>chapter %1 of %2</source>
      <translation>第 %1 章，共 %2 章</translation>
    </message>
    <message>
      <source>cannot play title %1 chapters %2-%3: %4</source>
      <translation>无法播放标题 %1 的第 %2-%3 章：%4</translation>
    </message>
    <message>
      <source>title %1 has no audio stream %2 (it has %3)</source>
      <translation>标题 %1 没有音频流 %2（它有 %3 个）</translation>
    </message>
    <message>
      <source>title %1 has no subtitle stream %2</source>
      <translation>标题 %1 没有字幕流 %2</translation>
    </message>
    <message>
      <source>the conversion does not start: %1</source>
      <translation>转换无法开始：%1</translation>
    </message>
    <message>
      <source>the conversion stopped: %1</source>
      <translation>转换已停止：%1</translation>
    </message>
    <message>
      <source>playing the disc failed: %1</source>
      <translation>播放光盘失败：%1</translation>
    </message>
    <message>
      <source>%1 (see tmvtool encode --help)</source>
      <translation>%1（参见 tmvtool encode --help）</translation>
    </message>
    <message>
      <source>cannot write %1: the folder cannot be made: %2</source>
      <translation>无法写入 %1：无法创建文件夹：%2</translation>
    </message>
    <message>
      <source>cannot make a copy of the settings file %1: %2</source>
      <translation>无法复制设置文件 %1：%2</translation>
    </message>
    <message>
      <source>cannot write the settings file %1: %2</source>
      <translation>无法写入设置文件 %1：%2</translation>
    </message>
    <message>
      <source>cannot make a filter graph: %1</source>
      <translation>无法创建滤镜图：%1</translation>
    </message>
    <message>
      <source>warning: %1</source>
      <translation>警告：%1</translation>
    </message>
    <message>
      <source>the filter "%1"</source>
      <translation>滤镜“%1”</translation>
    </message>
    <message>
      <source>cannot play DVD-Video titles: no DVD navigator in the filter category</source>
      <translation>无法播放 DVD-Video 标题：滤镜类别中没有 DVD 导航器</translation>
    </message>
    <message>
      <source>cannot open the disc %1: %2</source>
      <translation>无法打开光盘 %1：%2</translation>
    </message>
    <message>
      <source>warning: the video encoder is not in the video path: no movie file</source>
      <translation>警告：视频编码器不在视频通路上：不会有影片文件</translation>
    </message>
    <message>
      <source>warning: the audio encoder is not in the audio path: no sound file</source>
      <translation>警告：音频编码器不在音频通路上：不会有声音文件</translation>
    </message>
    <message>
      <source>interrupted: %1 and %2 keep what was converted</source>
      <translation>已中断：%1 和 %2 保留已转换的内容</translation>
    </message>
    <message>
      <source>%1: %2, %3; %4: %5; %6 s, %7x real time</source>
      <translation>%1：%2，%3；%4：%5；%6 秒，实时的 %7 倍</translation>
    </message>
    <message>
      <source>%1 frame</source>
      <translation>%1 帧</translation>
    </message>
    <message>
      <source>%1 frames</source>
      <translation>%1 帧</translation>
    </message>
    <message>
      <source>%1 byte</source>
      <translation>%1 字节</translation>
    </message>
    <message>
      <source>%1 bytes</source>
      <translation>%1 字节</translation>
    </message>
    <message>
      <source>convert chapters of a DVD title into a movie and a sound file</source>
      <translation>把一个 DVD 标题的章节转换成影片文件和声音文件</translation>
    </message>
    <message>
      <source>Disc: %1
</source>
      <translation>光盘：%1
</translation>
    </message>
    <message>
      <source>Title: %1, Length: %2 Chapters: %3, Audio streams: %4, Subpictures: %5
</source>
      <translation>标题：%1，长度：%2 章节：%3，音频流：%4，字幕：%5
</translation>
    </message>
    <message>
      <source>	Video: %1, %2x%3, %4
</source>
      <translation>	视频：%1，%2x%3，%4
</translation>
    </message>
    <message>
      <source>	Audio: %1, Language: %2, Format: %3, Channels: %4, Stream id: %5
</source>
      <translation>	音频：%1，语言：%2，格式：%3，声道：%4，流号：%5
</translation>
    </message>
    <message>
      <source>	Chapter: %1, Length: %2
</source>
      <translation>	章节：%1，长度：%2
</translation>
    </message>
    <message>
      <source>	Subtitle: %1, Language: %2, Stream id: %3
</source>
      <translation>	字幕：%1，语言：%2，流号：%3
</translation>
    </message>
    <message>
      <source>Longest track: %1
</source>
      <translation>最长的标题：%1
</translation>
    </message>
    <message>
      <source>only one input file</source>
      <translation>只能有一个输入文件</translation>
    </message>
    <message>
      <source>no input file</source>
      <translation>没有输入文件</translation>
    </message>
    <message>
      <source>raw video has no header to say its layout: give --pixel-format and --video-size (and --framerate)</source>
      <translation>原始视频没有说明其布局的文件头：请给出 --pixel-format 和 --video-size（以及 --framerate）</translation>
    </message>
    <message>
      <source>settings file %1: %2 is not a value the encoder reads (1 digit, %3 to %4)</source>
      <translation>设置文件 %1：%2 不是编码器能读的值（1 位数字，%3 到 %4）</translation>
    </message>
    <message>
      <source>settings file %1: %2 is not a value the encoder reads (%3 digits)</source>
      <translation>设置文件 %1：%2 不是编码器能读的值（%3 位数字）</translation>
    </message>
    <message>
      <source>encoding</source>
      <translation>编码中</translation>
    </message>
    <message>
      <source>the folder %1 cannot be made: %2</source>
      <translation>无法创建文件夹 %1：%2</translation>
    </message>
    <message>
      <source>the folder %1 does not exist</source>
      <translation>文件夹 %1 不存在</translation>
    </message>
    <message>
      <source>the folder %1 is not writable</source>
      <translation>文件夹 %1 不可写</translation>
    </message>
    <message>
      <source>the file source filter</source>
      <translation>文件源滤镜</translation>
    </message>
    <message>
      <source>the null renderer</source>
      <translation>空渲染器</translation>
    </message>
    <message>
      <source>the file source filter lacks its interfaces</source>
      <translation>文件源滤镜缺少它的接口</translation>
    </message>
    <message>
      <source>cannot read %1: %2</source>
      <translation>无法读取 %1：%2</translation>
    </message>
    <message>
      <source>the encoder does not take the video of %1: %2</source>
      <translation>编码器不接受 %1 的视频：%2</translation>
    </message>
    <message>
      <source>cannot write %1: %2</source>
      <translation>无法写入 %1：%2</translation>
    </message>
    <message>
      <source>interrupted: %2 keeps the %1 frame converted</source>
      <translation>已中断：%2 保留已转换的 %1 帧</translation>
    </message>
    <message>
      <source>interrupted: %2 keeps the %1 frames converted</source>
      <translation>已中断：%2 保留已转换的 %1 帧</translation>
    </message>
    <message>
      <source>encoding %1 into %2 failed: %3</source>
      <translation>把 %1 编码成 %2 失败：%3</translation>
    </message>
    <message>
      <source>%2; %1 frame written before</source>
      <translation>%2；之前已写出 %1 帧</translation>
    </message>
    <message>
      <source>%2; %1 frames written before</source>
      <translation>%2；之前已写出 %1 帧</translation>
    </message>
    <message>
      <source>convert a video file into a movie file through the encoder filter</source>
      <translation>经由编码器滤镜把视频文件转换成影片文件</translation>
    </message>
    <message>
      <source>an unexpected failure, %1</source>
      <translation>意外的失败，%1</translation>
    </message>
    <message>
      <source>%1 is not registered: there is no filter registry at %2 (TARNMEDIA_FILTERS names another; tarnregsvr registers the filter libraries)</source>
      <translation>%1 没有注册：%2 处没有滤镜注册表（TARNMEDIA_FILTERS 可指定别的注册表；tarnregsvr 注册滤镜库）</translation>
    </message>
    <message>
      <source>%1 is not in the filter registry %2 (tarnregsvr registers it)</source>
      <translation>%1 不在滤镜注册表 %2 中（tarnregsvr 可注册它）</translation>
    </message>
    <message>
      <source>usage: tmvtool info FILE.tmv
       tmvtool info FILE.tms

Prints the movie header and one line per record: its offset, body length N, payload
length P, code bytes K, colour bytes M, vector bytes V, and for records 25-32 and 35-42
whether the appendix is present and its word R matches P (its table words are each
encoder's own: other words are noted, not a fault). Every record is decoded as the
handheld would. Exits with 1 and lists the faults when the file is damaged; an unfinished
file (zero header) is reported but is not an error. Of a sound file it prints the header,
the length and the mode (codec, channels, rate).
</source>
      <translation>用法：tmvtool info 文件.tmv
      tmvtool info 文件.tms

打印影片文件头，并为每个记录打印一行：偏移、主体长度 N、载荷长度 P、代码字节 K、
颜色字节 M、向量字节 V，对记录 25-32 和 35-42 还说明附录是否存在、其字 R 是否与 P
相符（表中的字是各编码器自己的：别的字只作说明，不算错误）。每个记录都像掌机一样
解码。文件损坏时以 1 退出并列出错误；未完成的文件（文件头为零）会被报告，但不算
错误。对声音文件则打印文件头、长度和模式（编码、声道、采样率）。
</translation>
    </message>
    <message>
      <source>file: %1
size: %2 bytes
</source>
      <translation>文件：%1
大小：%2 字节
</translation>
    </message>
    <message>
      <source>header: finished: "Tarn", file length %1, "MOVI", reserved %2, constant %3
</source>
      <translation>文件头：已完成："Tarn"，文件长度 %1，"MOVI"，保留 %2，常数 %3
</translation>
    </message>
    <message>
      <source>header: unfinished: all 512 bytes are zero (the writer did not stop cleanly)
</source>
      <translation>文件头：未完成：512 个字节全为零（写入程序没有正常停止）
</translation>
    </message>
    <message>
      <source>header: damaged: %1
</source>
      <translation>文件头：已损坏：%1
</translation>
    </message>
    <message>
      <source>record %1: offset %2, N %3</source>
      <translation>记录 %1：偏移 %2，N %3</translation>
    </message>
    <message>
      <source>, other frame type (skipped, the picture stays)</source>
      <translation>，其他帧类型（跳过，画面保持不变）</translation>
    </message>
    <message>
      <source>, DAMAGED: %1</source>
      <translation>，已损坏：%1</translation>
    </message>
    <message>
      <source>info takes one movie or sound file (see tmvtool info --help)</source>
      <translation>info 只接受一个影片文件或声音文件（参见 tmvtool info --help）</translation>
    </message>
    <message>
      <source>records: %1
</source>
      <translation>记录数：%1
</translation>
    </message>
    <message>
      <source>describe a movie file (every record) or a sound file</source>
      <translation>描述影片文件（每个记录）或声音文件</translation>
    </message>
    <message>
      <source>usage: tmvtool COMMAND [ARGS...]
       tmvtool COMMAND --help
       tmvtool --version

Every command takes -q/--quiet (errors only) and -v/--verbose (error codes too).

commands:
</source>
      <translation>用法：tmvtool 命令 [参数...]
      tmvtool 命令 --help
      tmvtool --version

每个命令都接受 -q/--quiet（只显示错误）和 -v/--verbose（也显示错误代码）。

命令：
</translation>
    </message>
    <message>
      <source>unknown command '%1' (see tmvtool --help)</source>
      <translation>未知命令“%1”（参见 tmvtool --help）</translation>
    </message>
    <message>
      <source>cannot write to standard output: %1</source>
      <translation>无法写入标准输出：%1</translation>
    </message>
    <message>
      <source>appendix table %1 block %2 missing</source>
      <translation>附录表 %1 块 %2 缺失</translation>
    </message>
    <message>
      <source>appendix table %1 block %2, R %3 matches P, words match the table</source>
      <translation>附录表 %1 块 %2，R %3 与 P 相符，字与表相符</translation>
    </message>
    <message>
      <source>appendix table %1 block %2, R %3 matches P, words are another encoder's table</source>
      <translation>附录表 %1 块 %2，R %3 与 P 相符，字是另一个编码器的表</translation>
    </message>
    <message>
      <source>appendix table %1 block %2, R %3 does not match P (expected %4), words match the table</source>
      <translation>附录表 %1 块 %2，R %3 与 P 不符（应为 %4），字与表相符</translation>
    </message>
    <message>
      <source>appendix table %1 block %2, R %3 does not match P (expected %4), words are another encoder's table</source>
      <translation>附录表 %1 块 %2，R %3 与 P 不符（应为 %4），字是另一个编码器的表</translation>
    </message>
    <message>
      <source>the frame cannot be decoded (codes, colours or vectors run out or leave the picture)</source>
      <translation>该帧无法解码（代码、颜色或向量不够用或超出画面）</translation>
    </message>
    <message>
      <source>the appendix is missing</source>
      <translation>附录缺失</translation>
    </message>
    <message>
      <source>the appendix word R does not match P</source>
      <translation>附录的字 R 与 P 不符</translation>
    </message>
    <message>
      <source>%1: not a movie file</source>
      <translation>%1：不是影片文件</translation>
    </message>
    <message>
      <source>header: %1</source>
      <translation>文件头：%1</translation>
    </message>
    <message>
      <source>record %1 at offset %2: %3</source>
      <translation>偏移 %2 处的记录 %1：%3</translation>
    </message>
    <message>
      <source>warning: %1 is unfinished: its header is still zero (the writer did not stop cleanly)</source>
      <translation>警告：%1 未完成：其文件头仍为零（写入程序没有正常停止）</translation>
    </message>
    <message>
      <source>note: %2: the appendix of %1 record holds another encoder's tables (sound: the tables are each encoder's own)</source>
      <translation>注意：%2：%1 个记录的附录含有另一个编码器的表（无妨：这些表是各编码器自己的）</translation>
    </message>
    <message>
      <source>note: %2: the appendix of %1 records holds another encoder's tables (sound: the tables are each encoder's own)</source>
      <translation>注意：%2：%1 个记录的附录含有另一个编码器的表（无妨：这些表是各编码器自己的）</translation>
    </message>
    <message>
      <source>%1 is damaged:</source>
      <translation>%1 已损坏：</translation>
    </message>
    <message>
      <source>this libavcodec has no PNG encoder</source>
      <translation>此 libavcodec 没有 PNG 编码器</translation>
    </message>
    <message>
      <source>out of memory</source>
      <translation>内存不足</translation>
    </message>
    <message>
      <source>cannot open the PNG encoder: %1</source>
      <translation>无法打开 PNG 编码器：%1</translation>
    </message>
    <message>
      <source>cannot allocate a picture: %1</source>
      <translation>无法分配画面：%1</translation>
    </message>
    <message>
      <source>PNG encoder: %1</source>
      <translation>PNG 编码器：%1</translation>
    </message>
    <message>
      <source>%1: %2</source>
      <translation>%1：%2</translation>
    </message>
    <message>
      <source>%1%</source>
      <translation>%1%</translation>
    </message>
    <message>
      <source>%1%, %2 left</source>
      <translation>%1%，剩余 %2</translation>
    </message>
    <message>
      <source>%1 is unfinished: its header is still zero (the conversion was interrupted), so its mode is unknown</source>
      <translation>%1 未完成：其文件头仍为零（转换被中断），因此其模式未知</translation>
    </message>
    <message>
      <source>%1 is damaged: %2</source>
      <translation>%1 已损坏：%2</translation>
    </message>
    <message>
      <source>%1: not a sound file</source>
      <translation>%1：不是声音文件</translation>
    </message>
    <message>
      <source>header: unfinished: all 64 bytes are zero (the conversion was interrupted)
</source>
      <translation>文件头：未完成：64 个字节全为零（转换被中断）
</translation>
    </message>
    <message>
      <source>finished</source>
      <translation>已完成</translation>
    </message>
    <message>
      <source>damaged</source>
      <translation>已损坏</translation>
    </message>
    <message>
      <source>8-bit PCM</source>
      <translation>8 位 PCM</translation>
    </message>
    <message>
      <source>%1 channel</source>
      <translation>%1 声道</translation>
    </message>
    <message>
      <source>%1 channels</source>
      <translation>%1 声道</translation>
    </message>
    <message>
      <source>header: %1: "TMS1", MusicMode %2, %3, %4, %5 Hz, %6 bits per sample
</source>
      <translation>文件头：%1："TMS1"，MusicMode %2，%3，%4，%5 Hz，每个样本 %6 位
</translation>
    </message>
    <message>
      <source>length: %1 (%2 sample frames, %3 data bytes)
</source>
      <translation>长度：%1（%2 个样本帧，%3 个数据字节）
</translation>
    </message>
    <message>
      <source>cannot read %1</source>
      <translation>无法读取 %1</translation>
    </message>
    <message>
      <source>%2 has %1 chapter; there is no chapter %3</source>
      <translation>%2 有 %1 个章节；没有第 %3 章</translation>
    </message>
    <message>
      <source>%2 has %1 chapters; there is no chapter %3</source>
      <translation>%2 有 %1 个章节；没有第 %3 章</translation>
    </message>
    <message>
      <source>cannot play the chapters: %1</source>
      <translation>无法播放这些章节：%1</translation>
    </message>
    <message>
      <source>%1 has no audio stream %2 FFmpeg decodes</source>
      <translation>%1 没有 FFmpeg 能解码的音频流 %2</translation>
    </message>
    <message>
      <source> (--no-sound writes the movie alone)</source>
      <translation>（--no-sound 只写影片文件）</translation>
    </message>
    <message>
      <source>the audio renderer</source>
      <translation>音频渲染器</translation>
    </message>
    <message>
      <source>the audio encoder does not take the sound of %1: %2</source>
      <translation>音频编码器不接受 %1 的声音：%2</translation>
    </message>
    <message>
      <source>; %1: %2</source>
      <translation>；%1：%2</translation>
    </message>
    <message>
      <source>%1: %2, %3%4, %5 s, %6x real time</source>
      <translation>%1：%2，%3%4，%5 秒，实时的 %6 倍</translation>
    </message>
    <message>
      <source>File: %1
</source>
      <translation>文件：%1
</translation>
    </message>
    <message>
      <source>	Video: %1, %2x%3
</source>
      <translation>	视频：%1，%2x%3
</translation>
    </message>
    <message>
      <source>	Audio: %1, Language: %2, Format: %3, Channels: %4, Rate: %5
</source>
      <translation>	音频：%1，语言：%2，格式：%3，声道：%4，采样率：%5
</translation>
    </message>
    <message>
      <source>	Chapter: %1, Length: %2, Start: %3
</source>
      <translation>	章节：%1，长度：%2，开始：%3
</translation>
    </message>
    <message>
      <source>	Chapter: %1, Length: %2, Start: %3, Name: %4
</source>
      <translation>	章节：%1，长度：%2，开始：%3，名称：%4
</translation>
    </message>
    <message>
      <source>	Subtitle: %1, Language: %2, Format: %3 (%4)
</source>
      <translation>	字幕：%1，语言：%2，格式：%3（%4）
</translation>
    </message>
    <message>
      <source>text</source>
      <translation>文字</translation>
    </message>
    <message>
      <source>pictures</source>
      <translation>图像</translation>
    </message>
    <message>
      <source>usage: tmvtool probe [--json] PATH
       tmvtool probe [--json] --drive
       (dvd-info is another name of probe)

Lists the titles of a DVD-Video disc or a video file with their chapters and lengths,
audio streams (language, format, channels) and subtitle streams (language). PATH is an
.ifo file, a VIDEO_TS folder, the folder above it or a disc image, or a video file
(anything FFmpeg reads: MP4, MKV, AVI, WebM, MPEG), which is one title whose chapters
are the container's (one chapter when it has none); --drive looks for a disc in the
drives. Lengths are in seconds to the millisecond, streams and chapters are numbered
from 1, languages are the codes of the disc or the container ("" when it names none).

--json prints one object:
  {"titles": [{"title": 1, "length": 8.0, "chapters": [{"chapter": 1, "length": 2.0}, ...],
    "audio": [{"stream": 1, "language": "en", "format": "ac3", "channels": 2}, ...],
    "subtitles": [{"stream": 1, "language": "en"}, ...]}, ...]}
A video file's object begins with "file": PATH; its chapters also give "start" and
"name", its subtitles "format" and "text" (true for text, false for pictures).
</source>
      <translation>用法：tmvtool probe [--json] 路径
      tmvtool probe [--json] --drive
      （dvd-info 是 probe 的另一个名字）

列出 DVD-Video 光盘或视频文件的标题及其章节和长度、音频流（语言、格式、声道）和字幕流
（语言）。路径是 .ifo 文件、VIDEO_TS 文件夹、它上一级的文件夹或光盘映像，或者视频文件
（FFmpeg 能读的任何文件：MP4、MKV、AVI、WebM、MPEG），视频文件是一个标题，其章节就是
容器的章节（没有章节时为一个章节）；--drive 在光驱中查找光盘。长度以秒为单位，精确到
毫秒；流和章节从 1 开始编号；语言是光盘或容器的代码（没有给出时为 ""）。

--json 打印一个对象：
  {"titles": [{"title": 1, "length": 8.0, "chapters": [{"chapter": 1, "length": 2.0}, ...],
    "audio": [{"stream": 1, "language": "en", "format": "ac3", "channels": 2}, ...],
    "subtitles": [{"stream": 1, "language": "en"}, ...]}, ...]}
视频文件的对象以 "file": 路径 开头；它的章节还给出 "start" 和 "name"，它的字幕给出
"format" 和 "text"（文字为 true，图像为 false）。
</translation>
    </message>
    <message>
      <source>probe takes one disc or file path or --drive, and --json (see tmvtool probe --help)</source>
      <translation>probe 只接受一个光盘或文件路径或 --drive，以及 --json（参见 tmvtool probe --help）</translation>
    </message>
    <message>
      <source>probe takes one disc or file path or --drive (see tmvtool probe --help)</source>
      <translation>probe 只接受一个光盘或文件路径或 --drive（参见 tmvtool probe --help）</translation>
    </message>
    <message>
      <source>list the titles, chapters and streams of a DVD or a video file</source>
      <translation>列出 DVD 或视频文件的标题、章节和流</translation>
    </message>
    <message>
      <source>usage: tmvtool encode INPUT -o OUT.tmv [--chapters A-B] [--audio N] [--subtitle N] [--no-sound]
                      [--ini FILE] [--format F --pixel-format P --video-size WxH --framerate R]

Converts the video of INPUT (any file FFmpeg reads) into a movie file through the
video encoder filter, with the picture settings of the settings file's [SaveMovie]
section, and its sound into the sound file beside it (OUT.tms) through the audio
encoder filter, with the settings of [AudioOut]. The run works on its own copy of the
settings file, which keeps its values.
  -o, --out OUT.tmv  the movie file to write (its folder is made when missing)
  --chapters A-B     first and last chapter of the container, or one chapter A, as probe
                     lists them (default: the whole file)
  --audio N          audio stream, from 1 as probe lists them (default: FFmpeg's choice)
  --subtitle N       subtitle stream drawn onto the pictures, from 1 as probe lists them:
                     picture subtitles as they are, text subtitles rendered (ASS/SSA with
                     their styles; font: TARNMEDIA_SUBTITLE_FONT) (default: none)
  --no-sound         write the movie file only
  --ini FILE         the settings file to use (sets TARNMEDIA_INI)
  --format F         FFmpeg input format, e.g. rawvideo
  --pixel-format P   pixel format of raw input, e.g. bgr24 or yuyv422
  --video-size WxH   picture size of raw input, e.g. 720x480
  --framerate R      frame rate of raw input, e.g. 25 or 30000/1001
Shows the percent done and the time left on a terminal, and prints the frames and bytes
written and the speed against real time. Ctrl-C stops and keeps the frames converted.
</source>
      <translation>用法：tmvtool encode 输入 -o 输出.tmv [--chapters A-B] [--audio N] [--subtitle N] [--no-sound]
                      [--ini 文件] [--format F --pixel-format P --video-size 宽x高 --framerate R]

经由视频编码器滤镜，按设置文件 [SaveMovie] 节中的画面设置，把输入（FFmpeg 能读的
任何文件）的视频转换成影片文件，并经由音频编码器滤镜，按 [AudioOut] 节的设置，把它的
声音转换成旁边的声音文件（输出.tms）。本次运行使用设置文件自己的副本，原设置文件保持不变。
  -o, --out 输出.tmv    要写的影片文件（其文件夹不存在时会创建）
  --chapters A-B        容器的第一个和最后一个章节，或只一个章节 A，编号同 probe 所列
                        （默认：整个文件）
  --audio N             音频流，从 1 开始，编号同 probe 所列（默认：FFmpeg 的选择）
  --subtitle N          画在画面上的字幕流，从 1 开始，编号同 probe 所列：图形字幕按原样，
                        文本字幕经渲染（ASS/SSA 保留其样式；字体：TARNMEDIA_SUBTITLE_FONT）
                        （默认：无）
  --no-sound            只写影片文件
  --ini 文件            要使用的设置文件（设定 TARNMEDIA_INI）
  --format F            FFmpeg 输入格式，例如 rawvideo
  --pixel-format P      原始输入的像素格式，例如 bgr24 或 yuyv422
  --video-size 宽x高    原始输入的画面大小，例如 720x480
  --framerate R         原始输入的帧率，例如 25 或 30000/1001
在终端上显示完成的百分比和剩余时间，结束时打印写出的帧数和字节数以及相对实时的速度。
Ctrl-C 停止转换并保留已转换的帧。
</translation>
    </message>
    <message>
      <source>%1 has no subtitle stream %2</source>
      <translation>%1 没有字幕流 %2</translation>
    </message>
    <message>
      <source>cannot draw subtitle stream %1 of %2: %3</source>
      <translation>无法绘制 %2 的字幕流 %1：%3</translation>
    </message>
  </context>
</TS>