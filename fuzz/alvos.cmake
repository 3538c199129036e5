set(PAPELADA_ALVOS_FUZZ leitor medicao indice visualizacao copia)
