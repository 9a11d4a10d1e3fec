<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
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
        <source>ヘッドホン 3D (HRTF)(&amp;H)</source>
        <translation>&amp;Headphone 3D (HRTF)</translation>
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
        <translation>Version(&amp;H)</translation>
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
        <translation>Open(&amp;1)</translation>
    </message>
    <message>
        <source>Save(&amp;2)</source>
        <translation>Save(&amp;2)</translation>
    </message>
    <message>
        <source>Load(&amp;Q)</source>
        <translation>Load(&amp;Q)</translation>
    </message>
    <message>
        <source>Remove(&amp;W)</source>
        <translation>Remove(&amp;W)</translation>
    </message>
    <message>
        <source>Loop(&amp;A)</source>
        <translation>Loop(&amp;A)</translation>
    </message>
    <message>
        <source>Play(&amp;S)</source>
        <translation>Play(&amp;S)</translation>
    </message>
    <message>
        <source>Pause(&amp;Z)</source>
        <translation>Pause(&amp;Z)</translation>
    </message>
    <message>
        <source>Stop(&amp;X)</source>
        <translation>Stop(&amp;X)</translation>
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
        <source>Channel(&amp;V)</source>
        <translation>Channel(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Reverb</source>
        <translation>&amp;Reverb</translation>
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
        <translation>Audi&amp;o</translation>
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
</TS>
