<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>CommandLine</name>
    <message>
        <source>この実行の出力レイアウト: auto、headphones、stereo、quad、5.1、7.1、ambix1、ambix2、ambix3 (保存した選択は変わりません)。</source>
        <translation>The output layout for this run: auto, headphones, stereo, quad, 5.1, 7.1, ambix1, ambix2, ambix3 (the kept choice stays).</translation>
    </message>
    <message>
        <source>--output-layout はウィンドウのためのもので、--export には使えません (ファイルのレイアウトは --layout)</source>
        <translation>--output-layout belongs to the window, not to --export (a file's layout is --layout)</translation>
    </message>
    <message>
        <source>--output-layout は auto、headphones、stereo、quad、5.1、7.1、ambix1、ambix2、ambix3 のどれかです (&quot;%1&quot; ではありません)</source>
        <translation>--output-layout is one of auto, headphones, stereo, quad, 5.1, 7.1, ambix1, ambix2, ambix3 (not &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>最大 32 のサウンドファイルを聞き手のまわりの 3D 空間に置いて再生します。または、プレイリストをサウンドファイルに書き出します (--export)。</source>
        <translation>Places up to 32 sound files in 3D around the listener and plays them; or renders a playlist to a sound file (--export).</translation>
    </message>
    <message>
        <source>このヘルプを表示して終了します。</source>
        <translation>Show this help and exit.</translation>
    </message>
    <message>
        <source>バージョンを表示して終了します。</source>
        <translation>Show the version and exit.</translation>
    </message>
    <message>
        <source>ウィンドウもサウンドカードも使わずに、プレイリスト、または聞き手の位置に置いたサウンドファイルをサウンドファイル OUT に書き出します。OUT が - (標準出力)、FIFO、デバイスのときは、置き換えずにストリームとしてそのまま書き込みます (どの形式もストリームにでき、WAV は長さ不明と記します)。</source>
        <translation>Render a playlist, or sound files placed at the listener, to the sound file OUT without a window or sound card. OUT may be - (standard output), a FIFO or a device: these are written straight through as a stream, never replaced (every format streams; WAV then says its length is unknown).</translation>
    </message>
    <message>
        <source>OUT が既にあるときは置き換えます。</source>
        <translation>Replace OUT if it exists.</translation>
    </message>
    <message>
        <source>ディスプレイがありません。--export はディスプレイなしで使えます</source>
        <translation>no display; --export works without one</translation>
    </message>
    <message>
        <source>wav16、wav24、float、flac16、flac24 または ogg (既定: OUT の拡張子から。- と /dev/stdout では wav16)。</source>
        <translation>wav16, wav24, float, flac16, flac24 or ogg (default: from OUT&apos;s extension; wav16 for - and /dev/stdout).</translation>
    </message>
    <message>
        <source>44100 (既定) または 48000。</source>
        <translation>44100 (default) or 48000.</translation>
    </message>
    <message>
        <source>秒単位の長さ (既定: 最長のファイルと残響の終わりまで)。</source>
        <translation>Length in seconds (default: the longest file and the reverb&apos;s tail).</translation>
    </message>
    <message>
        <source>すべてのチャンネルをループします (--seconds が必要)。</source>
        <translation>Loop every channel (needs --seconds).</translation>
    </message>
    <message>
        <source>ラウドネスを LUFS に揃えます (例: -16、放送用は -23)。-1 dBTP を超えません。</source>
        <translation>Bring the loudness to LUFS (e.g. -16, or -23 for broadcast), never above -1 dBTP.</translation>
    </message>
    <message>
        <source>Ogg Vorbis の品質 0..10 (既定 5)。</source>
        <translation>Ogg Vorbis quality 0..10 (default 5).</translation>
    </message>
    <message>
        <source>この実行のあいだ UDP ポート N (127.0.0.1) で OSC リモート操作を受け付けます。</source>
        <translation>Take OSC remote control on UDP port N (on 127.0.0.1) for this run.</translation>
    </message>
    <message>
        <source>この実行のウィンドウの言語: ja または en (保存した選択は変わりません)。</source>
        <translation>The window&apos;s language for this run: ja or en (the kept choice stays).</translation>
    </message>
    <message>
        <source>プレイリスト (.pna、.m3u、.m3u8) または読み込むサウンドファイル。-- のあとの名前は &apos;-&apos; で始まってもかまいません。</source>
        <translation>A playlist (.pna, .m3u, .m3u8) or sound files to load; after --, names may start with &apos;-&apos;.</translation>
    </message>
    <message>
        <source>--lang は ja または en です (&quot;%1&quot; ではありません)</source>
        <translation>--lang must be ja or en, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>終了ステータス: 0 完了、1 書き出しまたはオーディオの開始に失敗 (理由は標準エラー出力)、2 コマンドラインの誤り、130 シグナルによる書き出しの取り消し。
</source>
        <translation>Exit status: 0 done, 1 the export or the audio start-up failed (the reason is on stderr), 2 a wrong command line, 130 an export cancelled by a signal.
</translation>
    </message>
    <message>
        <source>--osc-port はウィンドウのためのもので、--export には使えません</source>
        <translation>--osc-port belongs to the window, not to --export</translation>
    </message>
    <message>
        <source>--osc-port には 1 から 65535 の UDP ポート番号が必要です (&quot;%1&quot; ではありません)</source>
        <translation>--osc-port needs a UDP port number from 1 to 65535, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--%1 は --export のオプションです</source>
        <translation>--%1 belongs to --export</translation>
    </message>
    <message>
        <source>--export には書き出すファイルの名前が必要です</source>
        <translation>--export needs the name of the file to write</translation>
    </message>
    <message>
        <source>不明な形式 %1 (wav16、wav24、float、flac16、flac24、ogg)</source>
        <translation>unknown format %1 (wav16, wav24, float, flac16, flac24, ogg)</translation>
    </message>
    <message>
        <source>%1 から形式がわかりません。--format を指定してください</source>
        <translation>cannot tell the format from %1; give --format</translation>
    </message>
    <message>
        <source>--rate は 44100 または 48000 です</source>
        <translation>--rate must be 44100 or 48000</translation>
    </message>
    <message>
        <source>--hrtf は on または off です</source>
        <translation>--hrtf must be on or off</translation>
    </message>
    <message>
        <source>--seconds は正の秒数です</source>
        <translation>--seconds must be a positive number of seconds</translation>
    </message>
    <message>
        <source>--loop には --seconds が必要です: ループするチャンネルは終わりません</source>
        <translation>--loop needs --seconds: looping channels never end</translation>
    </message>
    <message>
        <source>--normalize は -70 から 0 LUFS のラウドネスです</source>
        <translation>--normalize must be a loudness between -70 and 0 LUFS</translation>
    </message>
    <message>
        <source>--quality は 0 から 10 です</source>
        <translation>--quality must be 0 to 10</translation>
    </message>
    <message>
        <source>--threads は 1 から 256 です</source>
        <translation>--threads must be 1 to 256</translation>
    </message>
    <message>
        <source>音源を N 本のレーンに分けて同時に描画します (既定: コア数、1: ひとつのデバイス)。</source>
        <translation>Renders the sources in N lanes at once (default: the number of cores; 1: a single device).</translation>
    </message>
    <message>
        <source>&apos;phonaraplayer --help&apos; で使い方を表示します。</source>
        <translation>Try &apos;phonaraplayer --help&apos;.</translation>
    </message>
    <message>
        <source>stereo (既定)、binaural (ヘッドホン 3D)、quad、5.1、7.1、または次数 1 から 3 の AmbiX (ACN、SN3D): ambix1、ambix2、ambix3。</source>
        <translation>stereo (default), binaural (headphone 3D), quad, 5.1, 7.1, or AmbiX (ACN, SN3D) of order 1 to 3: ambix1, ambix2, ambix3.</translation>
    </message>
    <message>
        <source>on: --layout binaural と同じ。off: stereo と同じ。</source>
        <translation>on: the same as --layout binaural; off: stereo.</translation>
    </message>
    <message>
        <source>--hrtf on のときの HRTF データセットの名前、または読み込む SOFA ファイル (既定: OpenAL Soft の選択)。</source>
        <translation>The name of the HRTF data set with --hrtf on, or a SOFA file to load (default: OpenAL Soft's choice).</translation>
    </message>
    <message>
        <source>--export には書き出すプレイリストかサウンドファイルが必要です</source>
        <translation>--export needs a playlist or sound files to render</translation>
    </message>
    <message>
        <source>--export が書き出すのは 1 つのプレイリスト、またはプレイリストなしのサウンドファイルです</source>
        <translation>--export renders one playlist, or sound files without a playlist</translation>
    </message>
    <message>
        <source>--export が置けるサウンドファイルは 32 までです</source>
        <translation>--export places at most 32 sound files</translation>
    </message>
    <message>
        <source>不明なレイアウト %1 (stereo、binaural、quad、5.1、7.1、ambix1、ambix2、ambix3)</source>
        <translation>unknown layout %1 (stereo, binaural, quad, 5.1, 7.1, ambix1, ambix2, ambix3)</translation>
    </message>
    <message>
        <source>--hrtf %1 は --layout %2 と食い違います</source>
        <translation>--hrtf %1 contradicts --layout %2</translation>
    </message>
    <message>
        <source>--hrtf-set には --layout binaural (または --hrtf on) が必要です</source>
        <translation>--hrtf-set needs --layout binaural (or --hrtf on)</translation>
    </message>
</context>
<context>
    <name>ErrorReasons</name>
    <message>
        <source>出力装置が開かれていません</source>
        <translation>no output device is open</translation>
    </message>
    <message>
        <source>その出力装置はありません</source>
        <translation>there is no such output device</translation>
    </message>
    <message>
        <source>出力装置を開けません</source>
        <translation>the output device cannot be opened</translation>
    </message>
    <message>
        <source>出力装置は既に開かれています</source>
        <translation>the output device is open already</translation>
    </message>
    <message>
        <source>チャンネルがありません</source>
        <translation>there is no such channel</translation>
    </message>
    <message>
        <source>ファイルを開けないか、読み込めません</source>
        <translation>cannot open or read the file</translation>
    </message>
    <message>
        <source>サウンドファイルではないか、対応していない形式です</source>
        <translation>not a sound file, or a format that is not supported</translation>
    </message>
    <message>
        <source>ステレオのファイルは 3D で再生できません</source>
        <translation>a stereo file cannot play in 3D</translation>
    </message>
    <message>
        <source>出力装置が EAX に対応していません</source>
        <translation>the output device offers no EAX</translation>
    </message>
    <message>
        <source>値が正しくありません</source>
        <translation>an invalid value</translation>
    </message>
    <message>
        <source>メモリーまたは音源が足りません</source>
        <translation>out of memory or sound sources</translation>
    </message>
    <message>
        <source>この機能は使えません</source>
        <translation>not available</translation>
    </message>
    <message>
        <source>プラグインではありません</source>
        <translation>not a plug-in</translation>
    </message>
    <message>
        <source>その位置には移動できません</source>
        <translation>cannot go to that position</translation>
    </message>
    <message>
        <source>不明なエラー</source>
        <translation>unknown error</translation>
    </message>
</context>
<context>
    <name>ExportCommand</name>
    <message>
        <source>書き出し中 %1 / %2 秒 (%3%)</source>
        <translation>exporting %1 / %2 s (%3%)</translation>
    </message>
    <message>
        <source>書き出し中 %1 秒</source>
        <translation>exporting %1 s</translation>
    </message>
    <message>
        <source>書き出しを取り消しました。%1 は書き出していません</source>
        <translation>export cancelled; %1 not written</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>。</source>
        <translation>; </translation>
    </message>
    <message>
        <source>ラウドネスは測っていません (メーターを開始できません)</source>
        <translation>loudness not measured (the meter could not start)</translation>
    </message>
    <message>
        <source>%1 LUFS (W のみ)、トゥルーピーク %2 dBTP</source>
        <translation>%1 LUFS (of W alone), true peak %2 dBTP</translation>
    </message>
    <message>
        <source>%1 LUFS、トゥルーピーク %2 dBTP</source>
        <translation>%1 LUFS, true peak %2 dBTP</translation>
    </message>
    <message>
        <source>実時間の %1 倍</source>
        <translation>%1x real time</translation>
    </message>
    <message>
        <source>ゲイン %1 dB</source>
        <translation>gain %1 dB</translation>
    </message>
    <message>
        <source>-1 dBTP の上限で止めました</source>
        <translation>stopped at the -1 dBTP ceiling</translation>
    </message>
    <message>
        <source>リミッター: 最大 %1 dB、時間の %2 % (--normalize でラウドネスを揃えると、代わりにミックス全体が下がります)</source>
        <translation>limiter: %1 dB at most, %2 % of the time (normalising, --normalize, lowers the mix instead)</translation>
    </message>
    <message>
        <source>リミッター: 最大 %1 dB、時間の %2 % (ラウドネスを揃えると、代わりにミックス全体が下がります)</source>
        <translation>limiter: %1 dB at most, %2 % of the time (normalising the loudness lowers the mix instead)</translation>
    </message>
    <message>
        <source>Ogg Vorbis で書き出せるのはステレオとバイノーラルだけです (%1 は書き出せません)。WAV か FLAC を選んでください</source>
        <translation>Ogg Vorbis is written for stereo and binaural only, not for %1; choose WAV or FLAC</translation>
    </message>
    <message>
        <source>FLAC が持てるのは 8 チャンネルまでで、%1 は %2 チャンネルです。WAV を選んでください</source>
        <translation>FLAC holds at most 8 channels and %1 has %2; choose WAV</translation>
    </message>
    <message>
        <source>既にあります。--force (-f) で置き換えます</source>
        <translation>it exists already; --force (-f) replaces it</translation>
    </message>
    <message>
        <source>書き出しの間にできました。--force (-f) で置き換えます</source>
        <translation>it appeared meanwhile; --force (-f) replaces it</translation>
    </message>
    <message>
        <source>%1 に書き込めません: %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>シーンのチャンネルが開いていません: %1</source>
        <translation>a channel of the scene is not open: %1</translation>
    </message>
    <message>
        <source>エンコーダーのためにチャンネルのファイルを読めません: %1</source>
        <translation>cannot read a channel&apos;s file for the encoder: %1</translation>
    </message>
    <message>
        <source>レンダラーが残響を分けられません: %1</source>
        <translation>the renderer cannot separate the reverb: %1</translation>
    </message>
    <message>
        <source>プレイリストのサウンドファイルを 1 つも開けません</source>
        <translation>no sound file of the playlist could be opened</translation>
    </message>
    <message>
        <source>サウンドファイルを 1 つも開けません</source>
        <translation>none of the sound files could be opened</translation>
    </message>
    <message>
        <source>レンダラーを開けません: %1</source>
        <translation>cannot open the renderer: %1</translation>
    </message>
    <message>
        <source>%2 Hz の HRTF データセット &quot;%1&quot; はありません (1 つもありません)</source>
        <translation>no HRTF data set named &quot;%1&quot; at %2 Hz (there is none)</translation>
    </message>
    <message>
        <source>%2 Hz の HRTF データセット &quot;%1&quot; はありません (あるのは: %3)</source>
        <translation>no HRTF data set named &quot;%1&quot; at %2 Hz (there are: %3)</translation>
    </message>
    <message>
        <source>%1 は除きました: %2</source>
        <translation>%1 left out: %2</translation>
    </message>
    <message>
        <source>音がありません</source>
        <translation>it holds no sound</translation>
    </message>
    <message>
        <source>%1 は途中で切れています: ヘッダーが示す %3 秒のうち %2 秒しかありません。書き出しはある分だけを使います</source>
        <translation>%1 is cut short: it holds %2 s of the %3 s its header announces; the export keeps what it holds</translation>
    </message>
    <message>
        <source>プレイリスト %1 がありません</source>
        <translation>no playlist at %1</translation>
    </message>
    <message>
        <source>プレイリスト %1 を読めません</source>
        <translation>cannot read the playlist %1</translation>
    </message>
    <message>
        <source>%1 をレンダリングできません: %2</source>
        <translation>cannot render %1: %2</translation>
    </message>
    <message>
        <source>レンダリングのレーンを開けません (エラーコード %1)</source>
        <translation>cannot open a render lane (error code %1)</translation>
    </message>
    <message>
        <source>レンダリングに失敗しました</source>
        <translation>rendering failed</translation>
    </message>
    <message>
        <source>ループするチャンネルには長さ (--seconds) が必要です</source>
        <translation>looping channels need a length (--seconds)</translation>
    </message>
    <message>
        <source>%1 の隣に書き込めません: %2</source>
        <translation>cannot write beside %1: %2</translation>
    </message>
    <message>
        <source>ラウドネスメーターを開始できないため、ラウドネスを揃えられません</source>
        <translation>the loudness meter could not start, so the loudness cannot be normalised</translation>
    </message>
    <message>
        <source>レンダリングに失敗しました: %1</source>
        <translation>rendering failed: %1</translation>
    </message>
    <message>
        <source>レンダリング結果を読み戻せません: %1</source>
        <translation>cannot read back the render: %1</translation>
    </message>
</context>
<context>
    <name>FileError</name>
    <message>
        <source>ファイルまたはフォルダがありません</source>
        <translation>no such file or folder</translation>
    </message>
    <message>
        <source>アクセスが拒否されました</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>操作が許可されていません</source>
        <translation>operation not permitted</translation>
    </message>
    <message>
        <source>読み取り専用のファイルシステムです</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>ディスクがいっぱいです</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>ファイルではなくフォルダです</source>
        <translation>it is a folder, not a file</translation>
    </message>
    <message>
        <source>パスの途中がフォルダではありません</source>
        <translation>a part of the path is not a folder</translation>
    </message>
    <message>
        <source>ファイルが既にあります</source>
        <translation>the file already exists</translation>
    </message>
    <message>
        <source>名前が長すぎます</source>
        <translation>the name is too long</translation>
    </message>
    <message>
        <source>リンクが循環しているか多すぎます</source>
        <translation>too many links or a link loop</translation>
    </message>
    <message>
        <source>入出力エラーです</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>開いているファイルが多すぎます</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>ファイルまたは装置が使用中です</source>
        <translation>the file or device is busy</translation>
    </message>
    <message>
        <source>別のファイルシステムへは移せません</source>
        <translation>cannot move to another file system</translation>
    </message>
    <message>
        <source>引数が正しくありません</source>
        <translation>invalid argument</translation>
    </message>
    <message>
        <source>メモリーが足りません</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>パイプの読み手が終了しました</source>
        <translation>the reader of the pipe has gone</translation>
    </message>
    <message>
        <source>アドレスは既に使用中です</source>
        <translation>address already in use</translation>
    </message>
</context>
<context>
    <name>HeadphoneRules</name>
    <message>
        <source>HRTF 有効</source>
        <translation>HRTF on</translation>
    </message>
    <message>
        <source>出力装置が切り替えを受け付けません</source>
        <translation>the output device refused the change</translation>
    </message>
    <message>
        <source>オフにしています</source>
        <translation>switched off</translation>
    </message>
    <message>
        <source>ヘッドホンが検出されていません</source>
        <translation>no headphones detected</translation>
    </message>
    <message>
        <source>出力装置が使っていません</source>
        <translation>not used by the output device</translation>
    </message>
    <message>
        <source>OpenAL Soft の設定で禁止されています</source>
        <translation>forbidden by the OpenAL Soft settings</translation>
    </message>
    <message>
        <source>出力形式が対応していません (44100/48000 Hz のステレオが必要です)</source>
        <translation>the output format does not support it (needs stereo at 44100/48000 Hz)</translation>
    </message>
    <message>
        <source>この OpenAL は HRTF に対応していません</source>
        <translation>this OpenAL has no HRTF</translation>
    </message>
    <message>
        <source>状態 </source>
        <translation>status </translation>
    </message>
    <message>
        <source>HRTF 無効: </source>
        <translation>HRTF off: </translation>
    </message>
</context>
<context>
    <name>TExportDialog</name>
    <message>
        <source>書き出し</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>参照(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>ファイル(&amp;F):</source>
        <translation>&amp;File:</translation>
    </message>
    <message>
        <source>品質 </source>
        <translation>Quality </translation>
    </message>
    <message>
        <source>形式(&amp;T):</source>
        <translation>&amp;Type:</translation>
    </message>
    <message>
        <source>サンプリング周波数(&amp;R):</source>
        <translation>Sample &amp;rate:</translation>
    </message>
    <message>
        <source>読み込んだすべて(&amp;A)</source>
        <translation>&amp;All loaded</translation>
    </message>
    <message>
        <source>選択したチャンネル(&amp;S)</source>
        <translation>&amp;Selected channels</translation>
    </message>
    <message>
        <source>チャンネル:</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>ループ(&amp;L)</source>
        <translation>&amp;Loop</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>自動: 最長のファイルと残響の終わりまで</source>
        <translation>Auto: until the longest file and the reverb have ended</translation>
    </message>
    <message>
        <source>長さ(&amp;D):</source>
        <translation>&amp;Duration:</translation>
    </message>
    <message>
        <source>ラウドネスを揃える(&amp;N)</source>
        <translation>&amp;Normalize loudness</translation>
    </message>
    <message>
        <source>-16 LUFS (共有)</source>
        <translation>-16 LUFS (sharing)</translation>
    </message>
    <message>
        <source>-23 LUFS (放送)</source>
        <translation>-23 LUFS (broadcast)</translation>
    </message>
    <message>
        <source>ラウドネス:</source>
        <translation>Loudness:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 は既にあります。
置き換えますか?</source>
        <translation>%1 already exists.
Replace it?</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>ステレオ</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>バイノーラル (ヘッドホン 3D)</source>
        <translation>Binaural (headphone 3D)</translation>
    </message>
    <message>
        <source>クアッド</source>
        <translation>Quad</translation>
    </message>
    <message>
        <source>AmbiX 1 次 (4 チャンネル)</source>
        <translation>AmbiX first order (4 channels)</translation>
    </message>
    <message>
        <source>AmbiX 2 次 (9 チャンネル)</source>
        <translation>AmbiX second order (9 channels)</translation>
    </message>
    <message>
        <source>AmbiX 3 次 (16 チャンネル)</source>
        <translation>AmbiX third order (16 channels)</translation>
    </message>
    <message>
        <source>レイアウト(&amp;Y):</source>
        <translation>La&amp;yout:</translation>
    </message>
    <message>
        <source>ファイル名の拡張子 .%1 は形式 %2 と合いません。
拡張子か形式を変えてください。</source>
        <translation>The file name's extension .%1 does not fit the format %2.
Change the extension or the format.</translation>
    </message>
    <message>
        <source>形式 %1 にはレイアウト %2 を書き出せません。</source>
        <translation>The format %1 cannot hold the layout %2.</translation>
    </message>
    <message>
        <source>Ogg Vorbis の品質</source>
        <translation>Ogg Vorbis quality</translation>
    </message>
    <message>
        <source>ラウドネスの目標</source>
        <translation>Loudness target</translation>
    </message>
</context>
<context>
    <name>TExportJob</name>
    <message>
        <source>一時ファイルを作成できません: %1</source>
        <translation>Cannot create a temporary file: %1</translation>
    </message>
    <message>
        <source>書き出しを開始できません: %1</source>
        <translation>Cannot start the export: %1</translation>
    </message>
    <message>
        <source>書き出しに失敗しました (%1)</source>
        <translation>The export failed (%1)</translation>
    </message>
</context>
<context>
    <name>TFrmDevSelector</name>
    <message>
        <source>BASS output device selector</source>
        <translation>BASS output device selector</translation>
    </message>
    <message>
        <source>出力装置</source>
        <translation>Output device</translation>
    </message>
    <message>
        <source>音を出す装置を選んで OK を押します</source>
        <translation>Choose the device to play through and press OK</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TFrmPhonaraPlayer</name>
    <message>
        <source>出力レイアウト(&amp;L)</source>
        <translation>O&amp;utput layout</translation>
    </message>
    <message>
        <source>自動 (出力装置のまま)</source>
        <translation>Automatic (as the device offers)</translation>
    </message>
    <message>
        <source>ヘッドホン (バイノーラル)</source>
        <translation>Headphones (binaural)</translation>
    </message>
    <message>
        <source>ステレオ</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>クアッド</source>
        <translation>Quad</translation>
    </message>
    <message>
        <source>5.1 (センターあり)</source>
        <translation>5.1 (with centre)</translation>
    </message>
    <message>
        <source>7.1 (センターあり)</source>
        <translation>7.1 (with centre)</translation>
    </message>
    <message>
        <source>Ambisonics 1 次 (AmbiX、外部デコーダー用)</source>
        <translation>Ambisonics 1st order (AmbiX, for an external decoder)</translation>
    </message>
    <message>
        <source>Ambisonics 2 次 (AmbiX、外部デコーダー用)</source>
        <translation>Ambisonics 2nd order (AmbiX, for an external decoder)</translation>
    </message>
    <message>
        <source>Ambisonics 3 次 (AmbiX、外部デコーダー用)</source>
        <translation>Ambisonics 3rd order (AmbiX, for an external decoder)</translation>
    </message>
    <message>
        <source>次回の起動から有効になります (いまは %1)</source>
        <translation>Takes effect at the next start (now: %1)</translation>
    </message>
    <message>
        <source>フォルダー %1 がありません。</source>
        <translation>The folder %1 is not there.</translation>
    </message>
    <message>
        <source>ファイル %1 がありません。</source>
        <translation>The file %1 is not there.</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>ドラッグして音源を動かします</source>
        <translation>Drag to move the source</translation>
    </message>
    <message>
        <source>チャンネル %1, X %2, Y %3, Z %4</source>
        <translation>Channel %1, X %2, Y %3, Z %4</translation>
    </message>
    <message>
        <source>X (左右)</source>
        <translation>X (left-right)</translation>
    </message>
    <message>
        <source>選択したチャンネルの左右の位置</source>
        <translation>Left-right position of the selected channels</translation>
    </message>
    <message>
        <source>Y (上下)</source>
        <translation>Y (down-up)</translation>
    </message>
    <message>
        <source>選択したチャンネルの上下の位置</source>
        <translation>Down-up position of the selected channels</translation>
    </message>
    <message>
        <source>Z (前後)</source>
        <translation>Z (back-front)</translation>
    </message>
    <message>
        <source>選択したチャンネルの前後の位置</source>
        <translation>Back-front position of the selected channels</translation>
    </message>
    <message>
        <source>X (左右、上面図)</source>
        <translation>X (left-right, top view)</translation>
    </message>
    <message>
        <source>正面図 (X-Y)</source>
        <translation>Front view (X-Y)</translation>
    </message>
    <message>
        <source>聞き手の正面から見た音源。マーカーをドラッグするか、囲んで選択します</source>
        <translation>The sources seen from in front of the listener. Drag a marker, or drag a frame to select</translation>
    </message>
    <message>
        <source>上面図 (X-Z)</source>
        <translation>Top view (X-Z)</translation>
    </message>
    <message>
        <source>上から見た音源。マーカーをドラッグするか、囲んで選択します</source>
        <translation>The sources seen from above. Drag a marker, or drag a frame to select</translation>
    </message>
    <message>
        <source>チャンネル一覧</source>
        <translation>Channel list</translation>
    </message>
    <message>
        <source>32 のチャンネルの種類、状態、ファイル名。上下の矢印キーで移動します</source>
        <translation>The 32 channels with kind, state and file name. Move with the up and down arrow keys</translation>
    </message>
    <message>
        <source>残響</source>
        <translation>Reverb</translation>
    </message>
    <message>
        <source>すべてのチャンネルの残響の量</source>
        <translation>The reverb level of every channel</translation>
    </message>
    <message>
        <source>EAX 環境</source>
        <translation>EAX environment</translation>
    </message>
    <message>
        <source>部屋の響き。出力装置が EAX に対応しているときに選べます</source>
        <translation>The room sound; available when the output device offers EAX</translation>
    </message>
    <message>
        <source>書き出し</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>書き出すチャンネルがありません。</source>
        <translation>There is no channel to export.</translation>
    </message>
    <message>
        <source>書き出し中...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>書き出し中... %1 秒</source>
        <translation>Exporting... %1 s</translation>
    </message>
    <message>
        <source>書き出し中... %1 / %2 秒 (残り約 %3 秒)</source>
        <translation>Exporting... %1 / %2 s (about %3 s left)</translation>
    </message>
    <message>
        <source>キャンセルしました。</source>
        <translation>Cancelled.</translation>
    </message>
    <message>
        <source>書き出しました: %1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>書き出せませんでした。</source>
        <translation>The export failed.</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>開く|チャンネルにファイルを読み込む</source>
        <translation>Open|Load files into channels</translation>
    </message>
    <message>
        <source>プレイリストを開く(&amp;O)...</source>
        <translation>Open p&amp;laylist...</translation>
    </message>
    <message>
        <source>開く|既存のプレイリストを開く</source>
        <translation>Open|Open an existing playlist</translation>
    </message>
    <message>
        <source>プレイリストに名前を付けて保存(&amp;A)...</source>
        <translation>S&amp;ave playlist as...</translation>
    </message>
    <message>
        <source>保存|現在のプレイリストに新しい名前をつけて保存</source>
        <translation>Save|Save the current playlist under a new name</translation>
    </message>
    <message>
        <source>書き出し(&amp;E)...</source>
        <translation>&amp;Export...</translation>
    </message>
    <message>
        <source>書き出し|配置したチャンネルをサウンドファイルに書き出す</source>
        <translation>Export|Render the placed channels to a sound file</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>終了|アプリケーションを終了する</source>
        <translation>Exit|Quit the application</translation>
    </message>
    <message>
        <source>バージョン(&amp;H)</source>
        <translation>Vers&amp;ion</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>前</source>
        <translation>Front</translation>
    </message>
    <message>
        <source>後</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Open(&amp;1)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Save(&amp;2)</source>
        <translation>Sa&amp;ve</translation>
    </message>
    <message>
        <source>Load(&amp;Q)</source>
        <translation>&amp;Load</translation>
    </message>
    <message>
        <source>Remove(&amp;W)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>Loop(&amp;A)</source>
        <translation>Loo&amp;p</translation>
    </message>
    <message>
        <source>Play(&amp;S)</source>
        <translation>Pla&amp;y</translation>
    </message>
    <message>
        <source>Pause(&amp;Z)</source>
        <translation>Pa&amp;use</translation>
    </message>
    <message>
        <source>Stop(&amp;X)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>プレイリストを開く</source>
        <translation>Open playlist</translation>
    </message>
    <message>
        <source>名前をつけてプレイリストを保存</source>
        <translation>Save the playlist under a name</translation>
    </message>
    <message>
        <source>チャンネルにファイルを読み込む</source>
        <translation>Load files into channels</translation>
    </message>
    <message>
        <source>チャンネルのファイルを開放</source>
        <translation>Remove the channels&apos; files</translation>
    </message>
    <message>
        <source>ループ再生</source>
        <translation>Play in a loop</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>XY(&amp;D)</source>
        <translation>&amp;XY</translation>
    </message>
    <message>
        <source>XZ(&amp;F)</source>
        <translation>X&amp;Z</translation>
    </message>
    <message>
        <source>Channel(&amp;V)</source>
        <translation>&amp;Channel</translation>
    </message>
    <message>
        <source>&amp;Reverb</source>
        <translation>Rever&amp;b</translation>
    </message>
    <message>
        <source>&amp;EAX environment</source>
        <translation>&amp;EAX environment</translation>
    </message>
    <message>
        <source>プレイリストに名前をつけて保存</source>
        <translation>Save playlist as</translation>
    </message>
    <message>
        <source>Linux edition by the PhonaraPlayer developers
Contact: the PhonaraPlayer issue tracker</source>
        <translation>Linux edition by the PhonaraPlayer developers
Contact: the PhonaraPlayer issue tracker</translation>
    </message>
    <message>
        <source>OSC リモート...</source>
        <translation>OSC remote...</translation>
    </message>
    <message>
        <source>動きを記録(&amp;R)...</source>
        <translation>&amp;Record Movement...</translation>
    </message>
    <message>
        <source>動きを消去</source>
        <translation>Clear Movement</translation>
    </message>
    <message>
        <source>動きの繰り返しを切り替え</source>
        <translation>Toggle Movement Repeat</translation>
    </message>
    <message>
        <source>記録中</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>OSC リモート</source>
        <translation>OSC remote</translation>
    </message>
    <message>
        <source>An incorrect version of BASS.DLL was loaded</source>
        <translation>An incorrect version of BASS.DLL was loaded</translation>
    </message>
    <message>
        <source>Can&apos;t initialize output device</source>
        <translation>Can&apos;t initialize output device</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>(error code: %1)</source>
        <translation>(error code: %1)</translation>
    </message>
    <message>
        <source>有効なファイルが見つかりませんでした。</source>
        <translation>No valid file was found.</translation>
    </message>
    <message>
        <source>オーディオ(&amp;O)</source>
        <translation>&amp;Audio</translation>
    </message>
    <message>
        <source>ヘッドホン 3D: 自動</source>
        <translation>Headphone 3D: auto</translation>
    </message>
    <message>
        <source>ヘッドホン 3D: オン</source>
        <translation>Headphone 3D: on</translation>
    </message>
    <message>
        <source>ヘッドホン 3D: オフ</source>
        <translation>Headphone 3D: off</translation>
    </message>
    <message>
        <source>HRTF データセット(&amp;D)</source>
        <translation>HRTF &amp;data set</translation>
    </message>
    <message>
        <source>HRTF 無効: 出力装置が開かれていません</source>
        <translation>HRTF off: no output device is open</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create the file %1</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open the file %1</translation>
    </message>
    <message>
        <source>編集(&amp;T)</source>
        <translation>Edi&amp;t</translation>
    </message>
    <message>
        <source>選択したチャンネルのミュートを切り替え</source>
        <translation>Mute or unmute the selected channels</translation>
    </message>
    <message>
        <source>元に戻す: %1</source>
        <translation>Undo: %1</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し: %1</source>
        <translation>Redo: %1</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>次のファイルを読み込めませんでした:
%1</source>
        <translation>These files could not be loaded:
%1</translation>
    </message>
    <message>
        <source>チャンネル %1 は空です</source>
        <translation>Channel %1 is empty</translation>
    </message>
    <message>
        <source>書き出し中です。書き出しを中止して終了しますか?</source>
        <translation>An export is running. Cancel it and quit?</translation>
    </message>
    <message>
        <source>ミュート (コントローラー)</source>
        <translation>Muted (controller)</translation>
    </message>
    <message>
        <source>レベル(&amp;L)</source>
        <translation>&amp;Levels</translation>
    </message>
    <message>
        <source>チャンネル %1, %2</source>
        <translation>Channel %1, %2</translation>
    </message>
    <message>
        <source>%1。ドラッグして音源を動かします</source>
        <translation>%1. Drag to move the source</translation>
    </message>
    <message>
        <source>左 %1 m</source>
        <translation>%1 m left</translation>
    </message>
    <message>
        <source>右 %1 m</source>
        <translation>%1 m right</translation>
    </message>
    <message>
        <source>下 %1 m</source>
        <translation>%1 m down</translation>
    </message>
    <message>
        <source>上 %1 m</source>
        <translation>%1 m up</translation>
    </message>
    <message>
        <source>後ろ %1 m</source>
        <translation>%1 m behind</translation>
    </message>
    <message>
        <source>前 %1 m</source>
        <translation>%1 m in front</translation>
    </message>
    <message>
        <source>%1、%2、%3</source>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>位置(&amp;P)...</source>
        <translation>&amp;Position...</translation>
    </message>
    <message>
        <source>SOFA ファイルを読み込む...</source>
        <translation>Load a SOFA file…</translation>
    </message>
    <message>
        <source>読み込んだデータセットを削除</source>
        <translation>Remove a loaded data set</translation>
    </message>
    <message>
        <source>SOFA ファイルを読み込む</source>
        <translation>Load a SOFA file</translation>
    </message>
    <message>
        <source>SOFA ファイル (*.sofa)</source>
        <translation>SOFA files (*.sofa)</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>SOFA ファイルを変換中...</source>
        <translation>Converting the SOFA file...</translation>
    </message>
    <message>
        <source>キャンセルしました</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>%1 を読み込めません: %2</source>
        <translation>Cannot load %1: %2</translation>
    </message>
    <message>
        <source>HRTF データセット「%1」を読み込みました</source>
        <translation>Loaded the HRTF data set “%1”</translation>
    </message>
    <message>
        <source>データセット「%1」を読み込みました。出力装置では使えません</source>
        <translation>Loaded the data set “%1”. The output device cannot use it</translation>
    </message>
    <message>
        <source>HRTF データセット「%1」を削除できません</source>
        <translation>Cannot remove the HRTF data set “%1”</translation>
    </message>
    <message>
        <source>HRTF データセット「%1」を削除しました</source>
        <translation>Removed the HRTF data set “%1”</translation>
    </message>
    <message>
        <source>%1 は既にあります。
置き換えますか?</source>
        <translation>%1 already exists.
Replace it?</translation>
    </message>
    <message>
        <source>X=%1 Y=%2 Z=%3、方位角 %4°、距離 %5 m</source>
        <translation>X=%1 Y=%2 Z=%3, azimuth %4°, distance %5 m</translation>
    </message>
</context>
<context>
    <name>TLevelMeter</name>
    <message>
        <source>無音</source>
        <translation>silence</translation>
    </message>
    <message>
        <source>%1 dBFS、クリップ</source>
        <translation>%1 dBFS, clipped</translation>
    </message>
    <message>
        <source>%1 dBFS</source>
        <translation>%1 dBFS</translation>
    </message>
</context>
<context>
    <name>TLevelsWindow</name>
    <message>
        <source>レベル</source>
        <translation>Levels</translation>
    </message>
    <message>
        <source>ピーク (dBFS、-60 から 0)。赤い印はクリップ: クリックで消えます</source>
        <translation>Peak (dBFS, -60 to 0). A red light means clipping: click it to clear it</translation>
    </message>
    <message>
        <source>読み込まれたチャンネルはありません</source>
        <translation>No channel is loaded</translation>
    </message>
    <message>
        <source>チャンネル %1 のレベル</source>
        <translation>Channel %1 level</translation>
    </message>
    <message>
        <source>%1。ピークを dBFS で示します。スペースでクリップの印を消します</source>
        <translation>%1. Shows the peak in dBFS; Space clears the clip light</translation>
    </message>
</context>
<context>
    <name>TPositionDialog</name>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>チャンネル %1: %2</source>
        <translation>Channel %1: %2</translation>
    </message>
    <message>
        <source>X (右が正)(&amp;X):</source>
        <translation>&amp;X (right positive):</translation>
    </message>
    <message>
        <source>Y (上が正)(&amp;Y):</source>
        <translation>&amp;Y (up positive):</translation>
    </message>
    <message>
        <source>Z (前が正)(&amp;Z):</source>
        <translation>&amp;Z (front positive):</translation>
    </message>
    <message>
        <source>方位角 (左が正)(&amp;A):</source>
        <translation>&amp;Azimuth (left positive):</translation>
    </message>
    <message>
        <source>仰角 (上が正)(&amp;E):</source>
        <translation>&amp;Elevation (up positive):</translation>
    </message>
    <message>
        <source>距離(&amp;D):</source>
        <translation>&amp;Distance:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TRemoteDialog</name>
    <message>
        <source>OSC リモート</source>
        <translation>OSC remote</translation>
    </message>
    <message>
        <source>OSC で操作を受け付ける(&amp;E)</source>
        <translation>&amp;Enable OSC remote control</translation>
    </message>
    <message>
        <source>受信ポート(&amp;P):</source>
        <translation>Receive &amp;port:</translation>
    </message>
    <message>
        <source>すべてのインターフェースで受信する(&amp;A)</source>
        <translation>Receive on &amp;all interfaces</translation>
    </message>
    <message>
        <source>ほかのコンピューターのコントローラーから操作するとき。ファイルの読み込みは このコンピューターからだけ受け付けます</source>
        <translation>For controllers on other computers. Files are loaded only on request from this computer</translation>
    </message>
    <message>
        <source>返信ポート(&amp;B):</source>
        <translation>Feed&amp;back port:</translation>
    </message>
    <message>
        <source>最後の送信元</source>
        <translation>Last sender</translation>
    </message>
    <message>
        <source>返信先アドレス(&amp;T):</source>
        <translation>Feedback &amp;target:</translation>
    </message>
    <message>
        <source>ヨー(&amp;Y)</source>
        <translation>&amp;Yaw</translation>
    </message>
    <message>
        <source>ピッチ(&amp;I)</source>
        <translation>P&amp;itch</translation>
    </message>
    <message>
        <source>ロール(&amp;R)</source>
        <translation>&amp;Roll</translation>
    </message>
    <message>
        <source>ヘッドトラッカーの逆転:</source>
        <translation>Invert head tracker:</translation>
    </message>
    <message>
        <source>状態:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>IP アドレスを入力してください</source>
        <translation>Enter an IP address</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>TRemoteServer</name>
    <message>
        <source>ポート %1 を開けません: %2</source>
        <translation>Cannot open port %1: %2</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>すべてのインターフェース</source>
        <translation>all interfaces</translation>
    </message>
    <message>
        <source>%1:%2 で受信中 — 受付 %3、拒否 %4</source>
        <translation>Receiving on %1:%2 — taken %3, refused %4</translation>
    </message>
</context>
<context>
    <name>TUndoHistory</name>
    <message>
        <source>チャンネル %1 の移動</source>
        <translation>Move of channel %1</translation>
    </message>
    <message>
        <source>チャンネル %1 の読み込み</source>
        <translation>Load into channel %1</translation>
    </message>
    <message>
        <source>チャンネル %1 の開放</source>
        <translation>Removal of channel %1</translation>
    </message>
    <message>
        <source>プレイリストを開く</source>
        <translation>Open playlist</translation>
    </message>
    <message>
        <source>チャンネル %1 の動き</source>
        <translation>Motion path of channel %1</translation>
    </message>
    <message>
        <source>リバーブの変更</source>
        <translation>Reverb change</translation>
    </message>
    <message>
        <source>環境の変更</source>
        <translation>Environment change</translation>
    </message>
</context>
<context>
    <name>TerminationSignals</name>
    <message>
        <source>3 回目の Ctrl+C で終了しました。保存は終わっていません。前回の自動保存はそのまま残ります。</source>
        <translation>Ended at the third Ctrl+C without finishing the save; the previous auto-save stays as it was.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>出力レイアウトを設定できません: %1</source>
        <translation>cannot set the output layout: %1</translation>
    </message>
    <message>
        <source>予期しないエラーのため終了します。
%1</source>
        <translation>The program stops after an unexpected error.
%1</translation>
    </message>
</context>
<context>
    <name>SofaConvert</name>
    <message>
        <source>ファイルを開けません: </source>
        <translation>cannot open the file: </translation>
    </message>
    <message>
        <source>SOFA ファイルとして読めません (壊れているか途中で切れています)</source>
        <translation>cannot be read as a SOFA file (damaged or cut short)</translation>
    </message>
    <message>
        <source>SimpleFreeFieldHRIR 形式ではありません: </source>
        <translation>not in the SimpleFreeFieldHRIR convention: </translation>
    </message>
    <message>
        <source>(形式の記載なし)</source>
        <translation>(no convention given)</translation>
    </message>
    <message>
        <source>両耳の 2 つの受音点が必要ですが、このファイルの受音点は %1 つです</source>
        <translation>two receivers (the ears) are needed; this file has %1</translation>
    </message>
    <message>
        <source>サンプリング周波数が読めません</source>
        <translation>the sample rate cannot be read</translation>
    </message>
    <message>
        <source>水平面の測定位置に 30° を超える隙間があります (最大 </source>
        <translation>the horizontal plane has a gap wider than 30° between measurements (widest </translation>
    </message>
    <message>
        <source>仰角が -40° 以下から +60° 以上まで測定されていません (測定範囲 </source>
        <translation>elevations are not measured from -40° or below to +60° or above (measured </translation>
    </message>
    <message>
        <source>インパルス応答をデータセットにできません: </source>
        <translation>the impulse responses cannot make a data set: </translation>
    </message>
    <message>
        <source>キャンセルしました</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>データセットを書き込めません: </source>
        <translation>cannot write the data set: </translation>
    </message>
    <message>
        <source>無音の応答があります</source>
        <translation>a response is silent</translation>
    </message>
    <message>
        <source>数でない値があります</source>
        <translation>a value is not a number</translation>
    </message>
    <message>
        <source>Data.Delay が負か数ではありません</source>
        <translation>Data.Delay is negative or not a number</translation>
    </message>
    <message>
        <source>遅延 %1 サンプルが上限 63 を超えます</source>
        <translation>a delay of %1 samples is past the limit of 63</translation>
    </message>
</context>
</TS>
