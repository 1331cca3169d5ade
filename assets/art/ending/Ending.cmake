# The 22 pictures of the ending, e1.jpg .. e22.jpg, from ending.svg: the
# Molfo's flight home after the last boss, then what became of everyone, then
# the staff roll.
# One row per picture:
#   sky colour | ground colour | sun height | hero x | hero y | hero scale | scene | caption | second line
# The scene is a string of letters, one per layer of the template that shows:
#   N night (moon, stars, fireflies; no sun)  T trees  W pond  X spider web
#   H the Molfo's home  L ladybird  A ant  K caterpillar  D dragonfly  E bee
#   B the Gifu butterfly  R the staff roll
# The first ten are shown after every cleared game; the rest only with a score.
set(MOLFO_ENDING_ROWS
  "#f0a060|#507038|260|300|200|2.6|BT|ついに ギフチョウに かった！|もりに しずけさが もどってくる"
  "#f0b070|#507038|230|200|220|2.6|T|モルフォは ゆっくりと はねを やすめる|ながい たびだった"
  "#a8d0f0|#6aa848|120|300|180|2.6||はるの のはらに かぜが ふく|さあ おうちへ かえろう"
  "#a8d0f0|#6aa848|100|300|220|2.6|E|ハチたちも すに かえっていった|もう おそってくることは ない"
  "#98c8e8|#4a3a26|90|250|190|2.6|T|もりの みちを とんで いく|おちばの においが する"
  "#80b8e0|#5a9a48|80|250|170|2.6|W|いけの うえを わたる|スイレンの はなが ひらいた"
  "#e8d0a0|#c8aa78|90|180|190|2.6||かわらを こえて|すなが ひかって いる"
  "#6a6090|#2a4a3a|180|250|170|2.2|TN|ゆうぐれの もりの うえ|ホタルが ひかりはじめた"
  "#302850|#23402f|300|220|150|1.8|NH|ほしの そらを とぶ|おうちの あかりが みえてきた"
  "#f8d8a0|#6aa848|160|250|200|2.6|HLA|おかえり モルフォ！|- おしまい -"
  "#a8d0f0|#6aa848|120|250|200|2.6|L|スコアを かせいだ きみへ|もうすこし おはなしが つづく"
  "#a8d0f0|#6aa848|110|380|180|2.2||ハエも カも|いまは のはらで ひなたぼっこ"
  "#98c8e8|#6aa848|100|250|170|2.2|LD|テントウムシと トンボは|はなの うえで ひとやすみ"
  "#90c0e0|#4a3a26|120|250|200|2.4|T|スズメバチと ガは|もりの おくへ かえった"
  "#88b8e0|#4a3a26|140|300|190|2.4|TX|クモは あたらしい すを はった|こんどは まちぶせ しない そうだ"
  "#80b0d8|#5a9a48|150|200|160|2.2|WA|アリと カマキリは|いけの ほとりで おしゃべり"
  "#e8c890|#c8aa78|170|300|200|2.4||セミは うたい|バッタは とびはねる"
  "#d8b080|#6aa848|200|330|180|2.2|K|イモムシは いつか|きれいな チョウに なる"
  "#c09070|#2a4a3a|230|250|170|2.4|T|クワガタと カブトムシは|きの みつを わけあった"
  "#806890|#2a4a3a|260|300|190|2.2|ET|ジガバチは あなを ほり|ハチは はなの みつを あつめる"
  "#403060|#23402f|320|330|190|2.2|NB|ギフチョウも また|はるの そらを まう"
  "#f8d8a0|#6aa848|140|140|72|1.3|RHLAK|あそんでくれて ありがとう！|Molfo チーム より"
)
list(LENGTH MOLFO_ENDING_ROWS n)
if(NOT n EQUAL 22)
  message(FATAL_ERROR "the ending needs 22 pictures, found ${n}")
endif()
# scene letter -> template layer
set(MOLFO_ENDING_LAYERS N=NIGHT T=TREES W=POND X=WEB H=HOME L=LADYBIRD A=ANT
  K=CATERPILLAR D=DRAGONFLY E=BEE B=BUTTERFLY R=CREDITS)
set(i 0)
foreach(row IN LISTS MOLFO_ENDING_ROWS)
  math(EXPR i "${i} + 1")
  string(REPLACE "|" ";" f "${row}")
  list(GET f 0 sky)
  list(GET f 1 ground)
  list(GET f 2 suny)
  list(GET f 3 hx)
  list(GET f 4 hy)
  list(GET f 5 hs)
  list(GET f 6 scene)
  list(GET f 7 caption)
  list(GET f 8 sub)
  set(layers "")
  foreach(pair IN LISTS MOLFO_ENDING_LAYERS)
    string(REPLACE "=" ";" kv "${pair}")
    list(GET kv 0 letter)
    list(GET kv 1 layer)
    string(FIND "${scene}" "${letter}" at)
    if(at EQUAL -1)
      list(APPEND layers -D ${layer}=0)
    else()
      list(APPEND layers -D ${layer}=1)
    endif()
  endforeach()
  # the sun and clouds belong to the day, the trail to the flight
  string(FIND "${scene}" "N" night)
  string(FIND "${scene}" "R" roll)
  if(night EQUAL -1)
    set(day 1)
  else()
    set(day 0)
  endif()
  if(roll EQUAL -1)
    set(trail 1)
  else()
    set(trail 0)
  endif()
  molfo_picture(ending/e${i}.jpg jpg 500 500 ending/ending.svg
    -D SKY=${sky} -D GROUND=${ground} -D SUNY=${suny} -D HX=${hx} -D HY=${hy} -D HS=${hs}
    -D DAY=${day} -D TRAIL=${trail} ${layers}
    -D "CAPTION=${caption}" -D "SUB=${sub}")
endforeach()
