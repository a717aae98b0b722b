<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
  <context>
    <name>tarnconv</name>
    <message>
      <source>cannot make the output folder %1: %2</source>
      <translation>无法建立输出目录 %1：%2</translation>
    </message>
    <message>
      <source>the output folder %1 does not exist</source>
      <translation>输出目录 %1 不存在</translation>
    </message>
    <message>
      <source>the output folder %1 is not a folder</source>
      <translation>输出目录 %1 不是文件夹</translation>
    </message>
    <message>
      <source>cannot write into the output folder %1: %2</source>
      <translation>无法写入输出目录 %1：%2</translation>
    </message>
    <message>
      <source>cannot build the playback graph: there is no filter registry at %1 (TARNMEDIA_FILTERS names another; tarnregsvr registers the filter libraries)</source>
      <translation>无法建立播放图：%1 处没有滤镜登记文件（TARNMEDIA_FILTERS 可指定另一个；tarnregsvr 登记滤镜库）</translation>
    </message>
    <message>
      <source>cannot build the playback graph from the filters of %1</source>
      <translation>无法用 %1 中的滤镜建立播放图</translation>
    </message>
    <message>
      <source>%1: no such file or folder</source>
      <translation>%1：文件或文件夹不存在</translation>
    </message>
    <message>
      <source>%1=%2 in %3 starts no conversion (only 0 and 1 do)</source>
      <translation>%3 中的 %1=%2 无法开始转换（只能是 0 或 1）</translation>
    </message>
    <message>
      <source>the source has %1 title; there is no title %2</source>
      <translation>来源只有 %1 个标题，没有标题 %2</translation>
    </message>
    <message>
      <source>the source has %1 titles; there is no title %2</source>
      <translation>来源只有 %1 个标题，没有标题 %2</translation>
    </message>
    <message>
      <source>--titles names several titles: add --batch to convert them in one run</source>
      <translation>--titles 指定了多个标题：加上 --batch 才能一次转换</translation>
    </message>
    <message>
      <source>interrupted</source>
      <translation>已中断</translation>
    </message>
    <message>
      <source>%1 segment was not converted</source>
      <translation>%1 段没有转换</translation>
    </message>
    <message>
      <source>%1 segments were not converted</source>
      <translation>%1 段没有转换</translation>
    </message>
    <message>
      <source>nothing to convert</source>
      <translation>没有可转换的内容</translation>
    </message>
    <message>
      <source>cannot make a copy of the settings file %1 for this run: %2</source>
      <translation>无法为本次运行复制设置文件 %1：%2</translation>
    </message>
    <message>
      <source>no DVD-Video disc found in a drive</source>
      <translation>光驱中没有找到 DVD 视频光盘</translation>
    </message>
    <message>
      <source>%1 holds no DVD-Video titles</source>
      <translation>%1 中没有 DVD 视频标题</translation>
    </message>
    <message>
      <source>%1 is neither a DVD-Video disc nor a video file that can be read</source>
      <translation>%1 既不是 DVD 视频光盘，也不是可以读取的视频文件</translation>
    </message>
    <message>
      <source>cannot write the settings file %1: %2</source>
      <translation>无法写入设置文件 %1：%2</translation>
    </message>
    <message>
      <source>the computer is powered off after a complete conversion (--poweroff)</source>
      <translation>全部转换完成后将关闭计算机（--poweroff）</translation>
    </message>
    <message>
      <source>the computer is powered off after a complete conversion (Off=1 in %1)</source>
      <translation>全部转换完成后将关闭计算机（%1 中的 Off=1）</translation>
    </message>
    <message>
      <source>settings from %1, on a copy for this run: %2</source>
      <translation>设置来自 %1，本次运行使用其副本：%2</translation>
    </message>
    <message>
      <source>--limit needs a whole number of MiB from 4 to 512, not "%1"</source>
      <translation>--limit 需要 4 到 512 之间的整数（MiB），而不是“%1”</translation>
    </message>
    <message>
      <source>%1 needs a folder</source>
      <translation>%1 需要一个文件夹</translation>
    </message>
    <message>
      <source>--audio needs a stream number from 1 to 8, not "%1"</source>
      <translation>--audio 需要 1 到 8 之间的音频流编号，而不是“%1”</translation>
    </message>
    <message>
      <source>--subtitle needs a stream number from 1 to 32 (0: none), not "%1"</source>
      <translation>--subtitle 需要 1 到 32 之间的字幕流编号（0：无字幕），而不是“%1”</translation>
    </message>
    <message>
      <source>%1 needs a value</source>
      <translation>%1 需要一个值</translation>
    </message>
    <message>
      <source>unknown option %1</source>
      <translation>未知选项 %1</translation>
    </message>
    <message>
      <source>title %1 chapter %2</source>
      <translation>标题[%1] 章节[%2]</translation>
    </message>
    <message>
      <source>(chapters %1-%2)</source>
      <translation>（章节 %1-%2）</translation>
    </message>
    <message>
      <source>%1 running number is taken by files already there, which are kept: writing %2</source>
      <translation>%1 个流水号已被现有文件占用，这些文件保留不动：写入 %2</translation>
    </message>
    <message>
      <source>%1 running numbers are taken by files already there, which are kept: writing %2</source>
      <translation>%1 个流水号已被现有文件占用，这些文件保留不动：写入 %2</translation>
    </message>
    <message>
      <source>%1 KiB</source>
      <translation>%1 KiB</translation>
    </message>
    <message>
      <source>chapter %1 of %2</source>
      <translation>第 %1/%2 章</translation>
    </message>
    <message>
      <source>%1%</source>
      <translation>%1%</translation>
    </message>
    <message>
      <source>%1 left</source>
      <translation>剩余 %1</translation>
    </message>
    <message>
      <source>(no movie file was written)</source>
      <translation>（没有写出影片文件）</translation>
    </message>
    <message>
      <source>(stopped by the size limit)</source>
      <translation>（因大小限制而停止）</translation>
    </message>
    <message>
      <source>(aborted)</source>
      <translation>（已中止）</translation>
    </message>
    <message>
      <source>(the navigator could not play it)</source>
      <translation>（导航器无法播放）</translation>
    </message>
    <message>
      <source>%1 segment converted</source>
      <translation>已转换 %1 段</translation>
    </message>
    <message>
      <source>%1 segments converted</source>
      <translation>已转换 %1 段</translation>
    </message>
    <message>
      <source>%1 file</source>
      <translation>%1 个文件</translation>
    </message>
    <message>
      <source>%1 files</source>
      <translation>%1 个文件</translation>
    </message>
    <message>
      <source>%1 (see tarnconv --help)</source>
      <translation>%1（参见 tarnconv --help）</translation>
    </message>
    <message>
      <source>cannot write to standard output</source>
      <translation>无法写入标准输出</translation>
    </message>
    <message>
      <source>%1: %2, %3 MiB; %4 of sound and pictures in %5, %6 times real time</source>
      <translation>%1：%2，%3 MiB；%4 的声音和画面用时 %5，为实时速度的 %6 倍</translation>
    </message>
    <message>
      <source>(not converted: its files could not be written)</source>
      <translation>（未转换：无法写入其文件）</translation>
    </message>
    <message>
      <source>warning</source>
      <translation>警告</translation>
    </message>
    <message>
      <source>DVD error</source>
      <translation>DVD 错误</translation>
    </message>
    <message>
      <source>the filter "GPL MPEG-1/2 Decoder" was not found: subtitles may not be shown</source>
      <translation>没有发现GPL MPEG-1/2 Decoder，可能无法显示字幕</translation>
    </message>
    <message>
      <source>the filter "Tarn Video Encoder for GAME" was not found: the video cannot be converted. Install the program again and retry.</source>
      <translation>没有发现'Tarn Video Encoder for GAME'。不能转换视频。请重新安装软件再试。</translation>
    </message>
    <message>
      <source>the filter "Tarn Audio Encoder for DVD" was not found: the sound cannot be converted. Install the program again and retry.</source>
      <translation>没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。</translation>
    </message>
    <message>
      <source>this version of the program cannot run with the installed filters</source>
      <translation>此版本的程序无法与已安装的滤镜一起运行</translation>
    </message>
    <message>
      <source>DVD-Video titles cannot be played</source>
      <translation>无法播放 DVD-Video 标题</translation>
    </message>
    <message>
      <source>the filter graph cannot be made</source>
      <translation>无法创建滤镜图</translation>
    </message>
    <message>
      <source>the languages of the streams cannot be read yet</source>
      <translation>尚无法读取各流的语言</translation>
    </message>
    <message>
      <source>the language of a subtitle stream cannot be read</source>
      <translation>无法读取一个字幕流的语言</translation>
    </message>
    <message>
      <source>the language of an audio stream cannot be read</source>
      <translation>无法读取一个音频流的语言</translation>
    </message>
    <message>
      <source>no audio stream is chosen</source>
      <translation>没有选择音频流</translation>
    </message>
    <message>
      <source>Cannot write the settings file %1: %2</source>
      <translation>无法写入设置文件 %1：%2</translation>
    </message>
    <message>
      <source>Cannot open the DVD source %1; its title is passed over.</source>
      <translation>无法打开 DVD 来源 %1；跳过它的标题。</translation>
    </message>
    <message>
      <source>Cannot write %1 or %2: %3; the conversion stops</source>
      <translation>无法写入 %1 或 %2：%3；转换停止</translation>
    </message>
    <message>
      <source>WARNING: title %1 has no subtitle stream %2; it is converted without it.</source>
      <translation>警告：标题 %1 没有字幕流 %2；转换时不带字幕。</translation>
    </message>
    <message>
      <source>WARNING: title %1 has no audio stream %2; its sound comes from another of its streams.</source>
      <translation>警告：标题 %1 没有音频流 %2；它的声音取自它的另一个音频流。</translation>
    </message>
    <message>
      <source>Cannot open the DVD source %1</source>
      <translation>无法打开 DVD 来源 %1</translation>
    </message>
    <message>
      <source>The title list is full; the remaining titles of this source were not added.</source>
      <translation>标题列表已满；此来源其余的标题没有加入。</translation>
    </message>
    <message>
      <source>Cannot open %1; its title is passed over.</source>
      <translation>无法打开 %1；跳过它的标题。</translation>
    </message>
    <message>
      <source>Cannot open %1</source>
      <translation>无法打开 %1</translation>
    </message>
    <message>
      <source>cannot end the sound file %1 with its movie: %2</source>
      <translation>无法让声音文件 %1 与它的影片同时结束：%2</translation>
    </message>
    <message>
      <source>cannot read the movie file %1</source>
      <translation>无法读取影片文件 %1</translation>
    </message>
    <message>
      <source>cannot load %1</source>
      <translation>无法装载 %1</translation>
    </message>
    <message>
      <source>%1 cannot end a sound file early (it has no %2)</source>
      <translation>%1 不能提前结束声音文件（它没有 %2）</translation>
    </message>
    <message>
      <source>cannot cut the movie file %1 to the size limit: %2</source>
      <translation>无法把影片文件 %1 截到大小限制：%2</translation>
    </message>
    <message>
      <source>The size limit stopped the conversion; press "%1" or "%2" before adding titles.</source>
      <translation>转换因大小限制而停止；加入标题之前请按“%1”或“%2”。</translation>
    </message>
    <message>
      <source>Titles cannot be deleted while a conversion or preview is running or waits for "%1".</source>
      <translation>转换或预览正在进行或等待“%1”时，不能删除标题。</translation>
    </message>
    <message>
      <source>the disc in the drive</source>
      <translation>光驱中的光盘</translation>
    </message>
    <message>
      <source>the title list holds at most %1 titles and %2 does not fit: convert the sources in several runs</source>
      <translation>标题列表最多容纳 %1 个标题，%2 放不下：请分几次转换这些来源</translation>
    </message>
    <message>
      <source>title %1</source>
      <translation>标题 %1</translation>
    </message>
    <message>
      <source>title %1 (title %2 of %3)</source>
      <translation>标题 %1（%3 的标题 %2）</translation>
    </message>
    <message>
      <source>the sources have %1 title together; there is no title %2</source>
      <translation>这些来源共有 %1 个标题，没有标题 %2</translation>
    </message>
    <message>
      <source>the sources have %1 titles together; there is no title %2</source>
      <translation>这些来源共有 %1 个标题，没有标题 %2</translation>
    </message>
    <message>
      <source>%2 has %1 chapter; there is no chapter %3</source>
      <translation>%2 只有 %1 个章节，没有章节 %3</translation>
    </message>
    <message>
      <source>%2 has %1 chapters; there is no chapter %3</source>
      <translation>%2 只有 %1 个章节，没有章节 %3</translation>
    </message>
    <message>
      <source>cannot read the streams of %1</source>
      <translation>无法读取%1 的流</translation>
    </message>
    <message>
      <source>%2 has %1 audio stream; there is no audio stream %3</source>
      <translation>%2 有 %1 条音轨；没有音轨 %3</translation>
    </message>
    <message>
      <source>%2 has %1 audio streams; there is no audio stream %3</source>
      <translation>%2 有 %1 条音轨；没有音轨 %3</translation>
    </message>
    <message>
      <source>%2 has %1 subtitle stream; there is no subtitle stream %3</source>
      <translation>%2 有 %1 条字幕；没有字幕 %3</translation>
    </message>
    <message>
      <source>%2 has %1 subtitle streams; there is no subtitle stream %3</source>
      <translation>%2 有 %1 条字幕；没有字幕 %3</translation>
    </message>
    <message>
      <source>chapter %1 of %2 alone is larger than the size limit</source>
      <translation>%2 的章节 %1 本身就超过大小限制</translation>
    </message>
    <message>
      <source>the size limit stopped %1 in chapter %2; --continue goes on in new files</source>
      <translation>大小限制在章节 %2 停止了%1；--continue 会在新文件中继续</translation>
    </message>
    <message>
      <source>converting %1 only (Batch=0); --batch converts every title</source>
      <translation>只转换%1（Batch=0）；--batch 转换所有标题</translation>
    </message>
    <message>
      <source>usage: tarnconv [SOURCE...]
       tarnconv --convert SOURCE... [options]
       tarnconv --convert --drive [SOURCE...] [options]
       tarnconv --help | --version

Without --convert the converter's window opens, with the titles of the SOURCEs already
listed when some are given.

With --convert: converts titles of DVDs and video files into movie files (.tmv) and sound
files (.tms) for the handheld, one file pair per chapter, or per run of ticked chapters with
--join. A SOURCE is an .ifo file, a VIDEO_TS or disc folder, or a disc image; --drive takes
the disc in a drive. A video file (MP4, MKV, AVI, WebM and others) is one title whose
chapters are the file's. Several sources list their titles one after the other, in the order
given (the drive's where --drive stands), as the window's Open adds them; a source named
twice is listed twice. Every title is added and ticked with all its chapters unless the
options name some. A source that cannot be read stops the command before anything is written.
  --titles LIST      titles to convert, numbered as listed over all sources, e.g. 1,3,5-7
                     (default: all)
  --chapters LIST    chapters of each title named (default: all)
  --batch            convert every ticked title (Batch=1); without it, of one source only
                     the first ticked title is converted unless Batch=1 is in the settings
                     file, and of several sources every ticked title
  --no-batch         only the first ticked title, whatever the settings file says
  --join             one file pair per run of consecutive ticked chapters (Con=1)
  --no-join          one file pair per chapter, whatever the settings file says
  --limit MIB        size limit of a file pair, 4 to 512 MiB (LimitSize)
  --continue         when the size limit stops a chapter, go on with it in new files
  -o, --out DIR      output folder (SaveDir), made when missing
  --audio N          audio stream, from 1
  --subtitle N       subtitle stream shown in the pictures, from 1 (0: none)
  --poweroff         power the computer off after a complete conversion (Off=1)
  --no-poweroff      leave the computer on, whatever the settings file says
  -q, --quiet        print nothing but errors
  -v, --verbose      print the sound files too, and where the settings come from
  --version          print the version and end
Everything the options do not set comes from the settings file (TARNMEDIA_INI, else
~/.config/TarnMedia.ini). The options last for this run only: the run works on its own
copy of the file, and only the running number of the file names goes back into it. A
name whose files exist already is passed over, never overwritten. One line is printed per
segment: chapter (after its source when there are several), conversion time, movie file
and KiB written; on a terminal a progress line shows the chapter, the percent of the run
and the time left, and a summary ends the run. Exit status 0 when every segment was
converted, 1 when not, 2 for a bad command line, 130 when interrupted.
</source>
      <translation>用法：tarnconv [来源...]
      tarnconv --convert 来源... [选项]
      tarnconv --convert --drive [来源...] [选项]
      tarnconv --help | --version

不带 --convert 时打开转换器的窗口；给出来源时窗口中已列出它们的标题。

带 --convert 时：把 DVD 和视频文件的标题转换为掌上机用的影片文件（.tmv）和声音文件（.tms），
每个章节一对文件，使用 --join 时每段连续勾选的章节一对文件。来源可以是 .ifo 文件、VIDEO_TS
或光盘文件夹，或光盘映像；--drive 使用光驱中的光盘。视频文件（MP4、MKV、AVI、WebM 等）是
一个标题，其章节即文件中的章节。多个来源的标题按给出的顺序依次列出（光驱的标题在 --drive
所在的位置），与窗口中的“打开”逐个添加相同；同一来源给出两次就列出两次。除非选项指定，
所有标题及其全部章节都会加入并勾选。有来源无法读取时，命令在写出任何东西之前就停止。
  --titles 列表      要转换的标题，按所有来源合在一起列出的顺序编号，例如 1,3,5-7
                     （默认：全部）
  --chapters 列表    所指定标题的章节（默认：全部）
  --batch            转换所有勾选的标题（Batch=1）；不用此项时，只有一个来源则只转换第一个
                     勾选的标题，除非设置文件中有 Batch=1；有多个来源则转换所有勾选的标题
  --no-batch         只转换第一个勾选的标题，不论设置文件如何
  --join             每段连续勾选的章节一对文件（Con=1）
  --no-join          每个章节一对文件，不论设置文件如何
  --limit MIB        每对文件的大小限制，4 到 512 MiB（LimitSize）
  --continue         大小限制停止一个章节后，在新文件中继续该章节
  -o, --out 目录     输出目录（SaveDir），不存在时自动建立
  --audio N          音频流，从 1 开始
  --subtitle N       显示在画面中的字幕流，从 1 开始（0：无）
  --poweroff         全部转换完成后关闭计算机（Off=1）
  --no-poweroff      不关闭计算机，不论设置文件如何
  -q, --quiet        只显示错误
  -v, --verbose      同时显示声音文件以及设置的来源
  --version          显示版本后结束
选项未设定的一切都取自设置文件（TARNMEDIA_INI，否则 ~/.config/TarnMedia.ini）。选项只对
本次运行有效：运行使用设置文件的副本，只有文件名的流水号写回设置文件。已有文件的名称会被
跳过，绝不覆盖。每段输出一行：章节（有多个来源时前面是它的来源）、转换时间、影片文件和写出
的 KiB；在终端上，进度行显示章节、运行的百分比和剩余时间，运行结束时显示汇总。退出状态：
全部转换为 0，否则为 1，命令行错误为 2，被中断为 130。
</translation>
    </message>
    <message>
      <source>give a SOURCE or --drive</source>
      <translation>请给出来源或 --drive</translation>
    </message>
    <message>
      <source>%1: title %2 chapter %3</source>
      <translation>%1：标题[%2] 章节[%3]</translation>
    </message>
  </context>
</TS>