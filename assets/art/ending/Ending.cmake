# The 22 pictures of the ending, e1.jpg .. e22.jpg, from ending.svg.
# One row per picture: sky colour | ground colour | sun height | hero x | hero y | caption | second line
# The first ten are shown after every cleared game; the rest only with a score.
set(MOLFO_ENDING_ROWS
  "#f0a060|#507038|260|250|220|ついに ギフチョウを たおした！|もりに しずけさが もどってくる"
  "#f0b070|#507038|230|200|200|モルフォは ゆっくりと はねを やすめる|ながい たびだった"
  "#a8d0f0|#6aa848|120|300|180|はるの のはらに かぜが ふく|はなばたけが ひろがっている"
  "#a8d0f0|#6aa848|100|150|220|ハチたちも すに かえっていった|もう おそってくることは ない"
  "#98c8e8|#4a3a26|90|350|200|もりの みちを とんで いく|おちばの においが する"
  "#80b8e0|#3a6e98|80|250|160|いけの うえを わたる|スイレンの はなが ひらいた"
  "#e8d0a0|#c8aa78|90|180|190|かわらを こえて|すなが ひかって いる"
  "#6a6090|#2a4a3a|180|320|170|ゆうぐれの もりの うえ|ホタルが ひかりはじめた"
  "#302850|#23402f|300|250|150|ほしの そらを とぶ|なかまたちが まっている"
  "#f8d8a0|#6aa848|160|250|230|おかえり モルフォ！|- おしまい -"
  "#a8d0f0|#6aa848|120|120|200|スコアを かせいだ きみへ|もうすこし おはなしが つづく"
  "#a8d0f0|#6aa848|110|380|180|ハエも カも|いまは のはらで ひなたぼっこ"
  "#98c8e8|#6aa848|100|250|170|テントウムシと トンボは|はなの うえで ひとやすみ"
  "#90c0e0|#4a3a26|120|160|210|スズメバチと ガは|もりの おくへ かえった"
  "#88b8e0|#4a3a26|140|340|190|クモは あたらしい すを はった|こんどは まちぶせ しない そうだ"
  "#80b0d8|#3a6e98|150|200|160|アリと カマキリは|いけの ほとりで おしゃべり"
  "#e8c890|#c8aa78|170|300|200|セミは うたい|バッタは とびはねる"
  "#d8b080|#c8aa78|200|150|180|イモムシは いつか|きれいな チョウに なる"
  "#c09070|#2a4a3a|230|330|170|クワガタと カブトムシは|きの みつを わけあった"
  "#806890|#2a4a3a|260|220|190|ジガバチは あなを ほり|ハチは はなの みつを あつめる"
  "#403060|#23402f|320|260|170|ギフチョウも また|はるの そらを まう"
  "#f8d8a0|#6aa848|140|250|220|あそんでくれて ありがとう！|Molfo - おしまい -"
)
list(LENGTH MOLFO_ENDING_ROWS n)
if(NOT n EQUAL 22)
  message(FATAL_ERROR "the ending needs 22 pictures, found ${n}")
endif()
set(i 0)
foreach(row IN LISTS MOLFO_ENDING_ROWS)
  math(EXPR i "${i} + 1")
  string(REPLACE "|" ";" f "${row}")
  list(GET f 0 sky)
  list(GET f 1 ground)
  list(GET f 2 suny)
  list(GET f 3 hx)
  list(GET f 4 hy)
  list(GET f 5 caption)
  list(GET f 6 sub)
  molfo_picture(ending/e${i}.jpg jpg 500 500 ending/ending.svg
    -D SKY=${sky} -D GROUND=${ground} -D SUNY=${suny} -D HX=${hx} -D HY=${hy}
    -D "CAPTION=${caption}" -D "SUB=${sub}")
endforeach()
