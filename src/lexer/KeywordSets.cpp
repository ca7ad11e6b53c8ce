#include "lexer/KeywordSets.h"

// The texts end with a space, as the lists were always given.
namespace KeywordSets {

const char16_t html[] = u"a abbr acronym address applet area b base basefont bdo big blockquote body br button "
                        u"caption center cite code col colgroup dd del dfn dir div dl dt em fieldset font form "
                        u"frame frameset h1 h2 h3 h4 h5 h6 head hr html i iframe img input ins isindex kbd label "
                        u"legend li link map menu meta noframes noscript object ol optgroup option p param pre q s "
                        u"samp script select small span strike strong style sub sup table tbody td textarea tfoot "
                        u"th thead title tr tt u ul var xml xmlns abbr accept-charset accept accesskey action align "
                        u"alink alt archive axis background bgcolor border cellpadding cellspacing char charoff "
                        u"charset checked cite class classid clear codebase codetype color cols colspan compact "
                        u"content coords data datafld dataformatas datapagesize datasrc datetime declare defer dir "
                        u"disabled enctype event face for frame frameborder headers height href hreflang hspace "
                        u"http-equiv id ismap label lang language leftmargin link longdesc marginwidth marginheight "
                        u"maxlength media method multiple name nohref noresize noshade nowrap object onblur "
                        u"onchange onclick ondblclick onfocus onkeydown onkeypress onkeyup onload onmousedown "
                        u"onmousemove onmouseover onmouseout onmouseup onreset onselect onsubmit onunload profile "
                        u"prompt readonly rel rev rows rowspan rules scheme scope selected shape size span src "
                        u"standby start style summary tabindex target text title topmargin type usemap valign value "
                        u"valuetype version vlink vspace width text password checkbox radio submit reset file "
                        u"hidden image public !doctype ";

const char16_t javaScript[]
    = u"abstract boolean break byte case catch char class const continue debugger default delete "
      u"do double else enum export extends final finally float for function goto if implements "
      u"import in instanceof int interface long native new package private protected public "
      u"return short static super switch synchronized this throw throws transient try typeof var "
      u"void volatile while with ";

const char16_t vbScript[]
    = u"addressof alias and as attribute base begin binary boolean byref byte byval call case "
      u"compare const currency date decimal declare defbool defbyte defint deflng defcur defsng "
      u"defdbl defdec defdate defstr defobj defvar dim do double each else elseif empty end enum "
      u"eqv erase error event exit explicit false for friend function get gosub goto if imp "
      u"implements in input integer is len let lib like load lock long loop lset me mid midb mod "
      u"new next not nothing null object on option optional or paramarray preserve print private "
      u"property public raiseevent randomize redim rem resume return rset seek select set single "
      u"static step stop string sub then time to true type typeof unload until variant wend while "
      u"with withevents xor ";

const char16_t python[] = u"and assert break class continue def del elif else except exec finally for from global if "
                          u"import in is lambda None not or pass print raise return try while yield ";

const char16_t php[] = u"and array as bool boolean break case cfunction class const continue declare default die "
                       u"directory do double echo else elseif empty enddeclare endfor endforeach endif endswitch "
                       u"endwhile eval exit extends false float for foreach function global if include "
                       u"include_once int integer isset list new null object old_function or parent print real "
                       u"require require_once resource return static stdclass string switch true unset use var "
                       u"while xor __class__ __file__ __function__ __line__ __sleep __wakeup ";

const char16_t sgml[] = u"ELEMENT DOCTYPE ATTLIST ENTITY NOTATION ";

} // namespace KeywordSets
