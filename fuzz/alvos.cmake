set(PAPELADA_ALVOS_FUZZ leitor medicao impressao indice visualizacao copia)
